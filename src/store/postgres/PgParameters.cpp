#include "store/postgres/PgParameters.h"

namespace k7 {

QByteArray PgParameters::textOf(const QVariant& value)
{
    if (value.isNull())
        return QByteArray();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QByteArrayLiteral("t") : QByteArrayLiteral("f");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QByteArray::number(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    case QMetaType::Double:
        // Every digit, so that the value the server keeps is this double.
        return QByteArray::number(value.toDouble(), 'g', 17);
    case QMetaType::Float:
        return QByteArray::number(static_cast<double>(value.toFloat()), 'g', 9);
    case QMetaType::QByteArray:
        return value.toByteArray();
    default:
        return value.toString().toUtf8();
    }
}

PgParameters::PgParameters(const QVariantList& values)
{
    m_storage.reserve(values.size());
    for (const QVariant& v : values) {
        if (v.isNull()) {
            m_storage.emplace_back();
            m_values.push_back(nullptr);
            m_lengths.push_back(0);
            m_formats.push_back(0);
            continue;
        }
        m_storage.push_back(textOf(v));
        const QByteArray& text = m_storage.back();
        // An empty QByteArray's data is "" (never null), so an empty text is not NULL.
        m_values.push_back(text.constData());
        m_lengths.push_back(static_cast<int>(text.size()));
        m_formats.push_back(v.typeId() == QMetaType::QByteArray ? 1 : 0);
    }
}

}  // namespace k7
