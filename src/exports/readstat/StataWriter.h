#pragma once
// Stata files (.dta) in the format of Stata 14 and later (118), whose text
// is UTF-8. Menu values are written as long integers with value labels.

#include "exports/readstat/ReadStatWriter.h"

namespace k7 {

class StataWriter : public ReadStatWriter {
public:
    NameRule nameRule() const override { return NameRule::Stata; }

protected:
    Limits limits() const override { return {80, 32000, 80, 2045}; }
    QString formatName() const override { return QStringLiteral("Stata"); }
    readstat_type_t codeType() const override { return READSTAT_TYPE_INT32; }
    readstat_error_t beginWriting(readstat_writer_t* writer, void* context, long rows) override;
};

}  // namespace k7
