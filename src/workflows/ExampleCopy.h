#pragma once
// The first start of an installed K7: the example CFG sits in the read-only
// install, where neither its rewrite nor its database could be written, so
// the operator is offered a copy of it in the documents folder, and the copy
// is what opens.

#include <QString>

namespace k7 {

class Dialogs;

struct ExampleCopySource {
    QString example;       // the installed example CFG; empty when there is none
    QString documentsDir;  // the user's documents folder
};

// The example of an install whose program is in `programDir`
// (PREFIX/bin -> PREFIX/share/k7/examples/finds.cfg); empty when the program
// does not run from an install that has one (a build folder).
QString InstalledExampleCfg(const QString& programDir);

// The example of this program's install and the user's documents folder.
ExampleCopySource DefaultExampleCopySource();

// Where the copy goes: documentsDir/K7/finds.cfg, or finds-2.cfg, finds-3.cfg
// ... when a file of that name, or its database, is already there.
QString ExampleCopyTarget(const ExampleCopySource& source);

// Asks whether to copy the example (No is the default) and copies it on Yes.
// Returns the copy's path, or empty when the operator declined, there is no
// example, or the copy failed (which is said). Nothing is written on No, and
// no existing file is ever replaced.
[[nodiscard]] QString OfferExampleCopy(const ExampleCopySource& source, Dialogs& dialogs);

}  // namespace k7
