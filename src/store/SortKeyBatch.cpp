#include "store/SortKeyBatch.h"

#include <algorithm>
#include <cstring>

namespace k7 {

namespace {

using ValueType = SqlStatement::ValueType;

// Where a value's type puts it among values of other types.
int typeClass(ValueType type)
{
    switch (type) {
    case ValueType::Null:
        return 0;
    case ValueType::Integer:
    case ValueType::Real:
        return 1;
    case ValueType::Text:
        return 2;
    case ValueType::Blob:
        return 3;
    }
    return 3;
}

template <typename T>
int threeWay(T x, T y)
{
    return x < y ? -1 : (y < x ? 1 : 0);
}

// An integer against a real by their exact values, as the engine compares
// them: a large integer is not rounded to the nearest double first.
int compareIntegerToReal(qint64 i, double r)
{
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (r < -kTwoTo63)
        return 1;
    if (r >= kTwoTo63)
        return -1;
    const auto whole = static_cast<qint64>(r);  // cut toward zero
    if (i != whole)
        return threeWay(i, whole);
    // Equal whole parts: the fraction decides.
    const double fraction = r - static_cast<double>(whole);
    return fraction > 0 ? -1 : (fraction < 0 ? 1 : 0);
}

int compareNumbers(ValueType xt, qint64 xi, double xr, ValueType yt, qint64 yi, double yr)
{
    if (xt == ValueType::Integer && yt == ValueType::Integer)
        return threeWay(xi, yi);
    if (xt == ValueType::Real && yt == ValueType::Real)
        return threeWay(xr, yr);
    if (xt == ValueType::Integer)
        return compareIntegerToReal(xi, yr);
    return -compareIntegerToReal(yi, xr);
}

int compareBytes(const char* x, std::size_t xn, const char* y, std::size_t yn)
{
    const int d = std::memcmp(x, y, std::min(xn, yn));
    if (d != 0)
        return d;
    return threeWay(xn, yn);
}

}  // namespace

SortKeyBatch::SortKeyBatch(int keys) : m_keys(keys) {}

void SortKeyBatch::appendRow(const SqlStatement& stmt)
{
    for (int k = 0; k < m_keys; ++k) {
        Value v;
        v.type = stmt.type(k);
        switch (v.type) {
        case ValueType::Null:
            break;
        case ValueType::Integer:
            v.integer = stmt.int64(k);
            break;
        case ValueType::Real:
            v.real = stmt.real(k);
            break;
        case ValueType::Text:
        case ValueType::Blob: {
            const QByteArrayView bytes = stmt.text(k);
            v.offset = m_bytes.size();
            v.length = static_cast<std::size_t>(bytes.size());
            m_bytes.append(bytes.data(), v.length);
            break;
        }
        }
        m_values.push_back(v);
    }
    m_rowids.push_back(stmt.int64(m_keys));
}

int SortKeyBatch::compareValues(const Value& x, const SortKeyBatch& other, const Value& y) const
{
    const int classX = typeClass(x.type);
    const int classY = typeClass(y.type);
    if (classX != classY)
        return threeWay(classX, classY);
    switch (classX) {
    case 0:
        return 0;
    case 1:
        return compareNumbers(x.type, x.integer, x.real, y.type, y.integer, y.real);
    default:
        return compareBytes(m_bytes.data() + x.offset, x.length, other.m_bytes.data() + y.offset, y.length);
    }
}

int CompareRows(const SortKeyBatch& left, int a, const SortKeyBatch& right, int b)
{
    for (int k = 0; k < left.m_keys; ++k) {
        const int d = left.compareValues(left.value(a, k), right, right.value(b, k));
        if (d != 0)
            return d;
    }
    return threeWay(left.rowid(a), right.rowid(b));
}

}  // namespace k7
