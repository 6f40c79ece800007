#include "settings/IniSettings.h"

#include "cfg/NumberText.h"
#include "cfg/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <array>

namespace k7 {

namespace {

const QString kSection = QStringLiteral("[K7]");

// The reader fills the keys it is asked for; a key repeated in the file comes
// back as its values joined by a separator, of which the first counts.
QString firstValue(const QString& joined)
{
    return joined.section(QChar(1), 0, 0).trimmed();
}

struct KeyName {
    IniKey key;
    const char* name;
};

constexpr std::array kKeyNames = {
    KeyName{IniKey::cfgfile, "cfgfile"},
    KeyName{IniKey::showdata, "showdata"},
    KeyName{IniKey::varlist, "varlist"},
    KeyName{IniKey::File1, "File1"},
    KeyName{IniKey::File2, "File2"},
    KeyName{IniKey::File3, "File3"},
    KeyName{IniKey::File4, "File4"},
    KeyName{IniKey::File5, "File5"},
    KeyName{IniKey::frmMainleft, "frmMainleft"},
    KeyName{IniKey::frmMaintop, "frmMaintop"},
    KeyName{IniKey::frmMainwidth, "frmMainwidth"},
    KeyName{IniKey::frmMainheight, "frmMainheight"},
    KeyName{IniKey::frmMainverticalseperator, "frmMainverticalseperator"},
    KeyName{IniKey::frmMainhorizontalseperator, "frmMainhorizontalseperator"},
    KeyName{IniKey::frmMainmaximized, "frmMainmaximized"},
    KeyName{IniKey::frmInfoleft, "frmInfoleft"},
    KeyName{IniKey::frmInfotop, "frmInfotop"},
    KeyName{IniKey::frmInfowidth, "frmInfowidth"},
    KeyName{IniKey::frmInfoheight, "frmInfoheight"},
    KeyName{IniKey::frmPropertiesleft, "frmPropertiesleft"},
    KeyName{IniKey::frmPropertiestop, "frmPropertiestop"},
    KeyName{IniKey::BackupMinutes, "BackupMinutes"},
    KeyName{IniKey::BackupsKept, "BackupsKept"},
};

}  // namespace

QString iniKeyName(IniKey key)
{
    for (const KeyName& k : kKeyNames)
        if (k.key == key)
            return QString::fromLatin1(k.name);
    return QString();
}

IniKey recentFileKey(int n)
{
    static constexpr IniKey keys[] = {IniKey::File1, IniKey::File2, IniKey::File3, IniKey::File4,
                                      IniKey::File5};
    return keys[qBound(1, n, 5) - 1];
}

QString IniSettings::defaultPath()
{
    return defaultPathFor(QCoreApplication::applicationDirPath());
}

QString IniSettings::defaultPathFor(const QString& programDir)
{
    const QFileInfo dir(programDir);
    if (!programDir.isEmpty() && dir.isDir() && dir.isWritable())
        return programDir + QStringLiteral("/k7.ini");
    // The program's own folder under the user's configuration folder
    // (~/.config/k7), whatever organisation name the application carries.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    const QString configDir = base + QStringLiteral("/k7");
    QDir().mkpath(configDir);
    return configDir + QStringLiteral("/k7.ini");
}

void IniSettings::load()
{
    m_values.clear();
    const QFileInfo info(m_path);
    if (!info.isFile() || info.size() > kMaxBytes)
        return;
    KeyTable keys;
    for (const KeyName& k : kKeyNames)
        keys.append({QString::fromLatin1(k.name), QString()});
    ReadSection(m_path, kSection, keys);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString value = firstValue(keys[i].second);
        if (!value.isEmpty())
            m_values.insert(kKeyNames[static_cast<size_t>(i)].key, value);
    }
}

QString IniSettings::readKey(const QString& name) const
{
    KeyTable keys = {{name, QString()}};
    if (QFileInfo(m_path).isFile())
        ReadSection(m_path, kSection, keys);
    return firstValue(keys.first().second);
}

std::optional<double> IniSettings::number(IniKey key) const
{
    const QString text = m_values.value(key);
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return ValNumber(text);
}

bool IniSettings::write(const IniValues& values)
{
    KeyTable keys;
    for (const auto& [key, value] : values) {
        keys.append({iniKeyName(key), value});
        m_values.insert(key, value);
    }
    const QFileInfo info(m_path);
    // An oversized file was never ours to rewrite.
    if (info.isFile() && info.size() > kMaxBytes)
        return false;
    return WriteSection(m_path, kSection, keys);
}

}  // namespace k7
