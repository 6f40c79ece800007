#include "store/TableDef.h"

#include <QRegularExpression>

namespace k7 {

int TableDef::fieldIndex(const QString& field) const
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList IndexDef::fieldNames() const
{
    QStringList out;
    for (QString part : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.startsWith(QLatin1Char('+')) || part.startsWith(QLatin1Char('-')))
            part.remove(0, 1);
        if (part.startsWith(QLatin1Char('[')) && part.endsWith(QLatin1Char(']')))
            part = part.mid(1, part.size() - 2);
        out << part;
    }
    return out;
}

void TableDef::addField(const QString& field, FieldType type, int size)
{
    fields.append({field, type, type == FieldType::Text ? size : 0, true});
}

FieldDef FieldFromDeclaration(const QString& name, const QString& declaredType)
{
    const QString t = declaredType.toUpper();
    FieldDef f{name, FieldType::Other, 0, true};
    if (t.contains(QLatin1String("INT"))) {
        f.type = FieldType::Long;
    } else if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB"))
               || t.contains(QLatin1String("TEXT"))) {
        f.type = FieldType::Text;
        f.size = 255;
        static const QRegularExpression sizeRe(QStringLiteral("\\(\\s*(\\d+)\\s*\\)"));
        const auto m = sizeRe.match(t);
        if (m.hasMatch()) {
            bool ok = false;
            const int n = m.captured(1).toInt(&ok);
            if (ok && n > 0)
                f.size = n;
        }
    } else if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA"))
               || t.contains(QLatin1String("DOUB"))) {
        f.type = FieldType::Single;
        f.doublePrecision = t.contains(QLatin1String("DOUB"));
    } else if (t.contains(QLatin1String("BOOL"))) {
        f.type = FieldType::YesNo;
    }
    return f;
}

QString DeclarationOf(const FieldDef& field)
{
    switch (field.type) {
    case FieldType::Text:
        return QStringLiteral("VARCHAR(%1)").arg(field.size > 0 ? field.size : 255);
    case FieldType::Single:
        return field.doublePrecision ? QStringLiteral("DOUBLE") : QStringLiteral("REAL");
    case FieldType::YesNo:
        return QStringLiteral("BOOLEAN");
    case FieldType::Long:
        return QStringLiteral("INTEGER");
    case FieldType::Other:
        break;
    }
    return QString();
}

QString QuoteName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

}  // namespace k7
