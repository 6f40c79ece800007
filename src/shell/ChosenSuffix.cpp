#include "shell/ChosenSuffix.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace k7 {

QString WithChosenSuffix(const QString& path, const QString& chosenFilter)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    static const QRegularExpression onePattern(QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)\\)$"));
    const QRegularExpressionMatch match = onePattern.match(chosenFilter.trimmed());
    return match.hasMatch() ? path + QLatin1Char('.') + match.captured(1) : path;
}

}  // namespace k7
