#pragma once
// A file written beside its target under a temporary name and put in the
// target's place in one step once it is complete, for writers that open
// their file by name (a C library's). Until commit() the target is exactly
// as it was; a ReplacingFile that is not committed removes its temporary file.

#include <QString>

namespace k7 {

class ReplacingFile {
public:
    explicit ReplacingFile(const QString& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Makes the temporary file, empty, in the target's folder.
    [[nodiscard]] bool create();
    QString temporaryPath() const { return m_temporary; }
    // Flushes the temporary file to the disk and renames it over the target.
    [[nodiscard]] bool commit();
    QString error() const { return m_error; }

private:
    bool fail(const QString& error);

    QString m_target;
    QString m_temporary;
    QString m_error;
};

}  // namespace k7
