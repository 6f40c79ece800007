#pragma once
// Values bound to a statement, in the arrays libpq takes: each as text in
// the form the server reads for its type, a byte array as a binary bytea,
// a null as SQL NULL. The arrays point into storage the object owns.

#include <QByteArray>
#include <QVariant>

#include <vector>

namespace k7 {

class PgParameters {
public:
    PgParameters() = default;
    explicit PgParameters(const QVariantList& values);

    int count() const { return static_cast<int>(m_values.size()); }
    const char* const* values() const { return m_values.data(); }
    const int* lengths() const { return m_lengths.data(); }
    const int* formats() const { return m_formats.data(); }

    // The text a value is sent as (a bytea's raw bytes); null for NULL.
    static QByteArray textOf(const QVariant& value);

private:
    std::vector<QByteArray> m_storage;
    std::vector<const char*> m_values;
    std::vector<int> m_lengths;
    std::vector<int> m_formats;
};

}  // namespace k7
