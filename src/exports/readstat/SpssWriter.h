#pragma once
// SPSS files (.sav), with UTF-8 text and compressed rows. Every number of an
// SPSS file is a double, the codes of menu values too.

#include "exports/readstat/ReadStatWriter.h"

namespace k7 {

class SpssWriter : public ReadStatWriter {
public:
    NameRule nameRule() const override { return NameRule::Spss; }

protected:
    Limits limits() const override { return {255, 120, 64, 32767}; }
    QString formatName() const override { return QStringLiteral("SPSS"); }
    readstat_type_t codeType() const override { return READSTAT_TYPE_DOUBLE; }
    readstat_error_t beginWriting(readstat_writer_t* writer, void* context, long rows) override;
};

}  // namespace k7
