#pragma once
// File > Export codebook and k7 --codebook: the codebook of a data table
// written as one HTML page (CodebookPage), replaced only when complete.

#include "cfg/Model.h"

#include <QString>

namespace k7 {

class Database;

struct CodebookResult {
    bool written = false;
    QString error;
};

CodebookResult ExportCodebook(const Model& model, Database& db, const QString& table, const QString& path);

}  // namespace k7
