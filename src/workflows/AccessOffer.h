#pragma once
// What K7 does where it meets a Microsoft Access file in place of one of its
// own databases: offer to copy the records over (opening a CFG or a
// database), or say how to (checking a CFG, looking up values).

#include "cfg/Model.h"
#include "platform/Dialogs.h"
#include "access/AccessReader.h"

#include <QString>
#include <QStringList>

namespace k7 {

enum class AccessOffer {
    NotAccess,  // not an Access file: open it as usual
    Converted,  // the records are now in a K7 database at the same path
    Declined,   // the operator said No or cancelled the copy; nothing was changed
    Failed,     // the import failed and was reported (with where the original is, if it moved)
};

// When `path` is an Access file, asks whether to copy its records into a K7
// database (the original being kept beside it) and does so on Yes, showing
// the copy's progress with Cancel; `reader` reads the file.
AccessOffer OfferAccessImport(const QString& path, Dialogs& dialogs, const AccessReader& reader = {});

// The sentence naming an Access file and the command that imports it.
QString AccessImportHint(const QString& path);

// For the CFG check: a warning when the CFG's database is an Access file.
QStringList AccessCheckWarnings(const Model& model);

}  // namespace k7
