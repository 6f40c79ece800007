#pragma once
// The codebook as one self-contained HTML page: no script, no file beside
// it, its charts drawn as inline SVG in black and grey so that they print.
// A menu variable gets a bar per item (and one for the values that are no
// item), a number a histogram from its minimum to its maximum.

#include "exports/CodebookFacts.h"

#include <QByteArray>

namespace k7 {

QByteArray CodebookHtml(const CodebookFacts& facts);

}  // namespace k7
