#pragma once
// Case tables name a variable's type by its CFG word; tests turn it into the
// model's type code.

#include "cfg/CfgWriter.h"

#include <QString>
#include <QtGlobal>

namespace k7::test {

// The type code of a CFG's Type word ("Numeric"); a word no type has stops
// the test program.
inline int typeCode(const QString& word)
{
    for (int code = TypeText; code <= TypeImageJ; ++code) {
        if (TypeWord(code).compare(word, Qt::CaseInsensitive) == 0)
            return code;
    }
    qFatal("no type is called %s", qPrintable(word));
}

}  // namespace k7::test
