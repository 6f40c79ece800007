#include "exports/readstat/SpssWriter.h"

namespace k7 {

readstat_error_t SpssWriter::beginWriting(readstat_writer_t* writer, void* context, long rows)
{
    readstat_writer_set_compression(writer, READSTAT_COMPRESS_ROWS);
    return readstat_begin_writing_sav(writer, context, rows);
}

}  // namespace k7
