#pragma once
// The five recent-file entries of the File menu. Visible entries always form
// an unbroken run from entry 1; a CFG already listed keeps its place, a new
// one goes to the top and the fifth drops out.

#include <QString>
#include <QStringList>

namespace k7 {

class IniSettings;

class RecentFiles {
public:
    static constexpr int kCount = 5;

    // File1 .. File5 up to the first empty one.
    void load(const IniSettings& settings);
    // Adds `path` unless an entry holds exactly this text (case counts).
    void add(const QString& path);
    // Takes `path` off the list; the entries below move up.
    void remove(const QString& path);

    const QStringList& paths() const { return m_paths; }
    int count() const { return static_cast<int>(m_paths.size()); }
    // "&" + n + ". " + path for entry n (1-based).
    QString caption(int n) const;
    // The path part of an entry's caption: from its fifth character on.
    static QString pathOfCaption(const QString& caption);

private:
    QStringList m_paths;
};

}  // namespace k7
