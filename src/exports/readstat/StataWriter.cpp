#include "exports/readstat/StataWriter.h"

namespace k7 {

readstat_error_t StataWriter::beginWriting(readstat_writer_t* writer, void* context, long rows)
{
    readstat_writer_set_file_format_version(writer, 118);
    return readstat_begin_writing_dta(writer, context, rows);
}

}  // namespace k7
