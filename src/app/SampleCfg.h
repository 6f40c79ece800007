#pragma once
// The model CFG that File > New CFG puts into the editor.

#include <QStringList>

namespace k7 {

QStringList SampleCfgLines();

}  // namespace k7
