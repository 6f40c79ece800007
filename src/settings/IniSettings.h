#pragma once
// k7.ini: the program's own settings (window geometry, splitters, the last CFG
// and the recent files), all in its one [K7] section. Keys are listed once, in
// the table of IniKey names; values are plain text. A missing, damaged or
// oversized file reads as empty, which means "use the defaults", and a file
// that cannot be written is left alone without troubling the operator.

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <optional>

namespace k7 {

enum class IniKey {
    cfgfile,
    showdata,
    varlist,
    File1,
    File2,
    File3,
    File4,
    File5,
    frmMainleft,
    frmMaintop,
    frmMainwidth,
    frmMainheight,
    frmMainverticalseperator,
    frmMainhorizontalseperator,
    frmMainmaximized,
    frmInfoleft,
    frmInfotop,
    frmInfowidth,
    frmInfoheight,
    frmPropertiesleft,
    frmPropertiestop,
    BackupMinutes,
    BackupsKept,
};

// The key as written in the file.
QString iniKeyName(IniKey key);
// File1 .. File5 for n = 1 .. 5.
IniKey recentFileKey(int n);

using IniValues = QList<QPair<IniKey, QString>>;

class IniSettings {
public:
    // A settings file larger than this is not one the program wrote; it is
    // ignored rather than read into memory.
    static constexpr qint64 kMaxBytes = 1024 * 1024;

    explicit IniSettings(QString path) : m_path(std::move(path)) {}

    // The program's folder + "/k7.ini" when that folder is writable (a
    // portable install), else the user's configuration folder + "/k7.ini".
    static QString defaultPath();
    // The same for a program in `programDir`.
    static QString defaultPathFor(const QString& programDir);

    const QString& path() const { return m_path; }

    // Reads the [K7] section; any failure leaves every key empty.
    void load();
    QString value(IniKey key) const { return m_values.value(key); }
    // The leading number of a non-empty value; nothing for an empty one.
    std::optional<double> number(IniKey key) const;
    // Any key of the section, by name, as the file holds it now (the
    // instruments' settings are not in the IniKey table).
    QString readKey(const QString& name) const;

    // Writes the pairs in one rewrite of the section and keeps them in memory.
    // Returns false when the file could not be written.
    bool write(const IniValues& values);

private:
    QString m_path;
    QMap<IniKey, QString> m_values;
};

}  // namespace k7
