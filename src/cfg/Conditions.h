#pragma once
// Display conditions of a variable: "variable operator value" texts that decide
// whether the variable is asked or skipped.

#include "cfg/Model.h"

#include <QString>

#include <vector>

namespace k7 {

// The normal form of one condition text.
QString NormalizeCondition(const QString& text);

// Evaluates the conditions of variable `v` against the current values
// (`values` indexed by variable number, size > varcount). Returns 1 when the
// variable is asked, 2 when it is skipped.
int EvalConditions(const Model& model, int v, const std::vector<QString>& values);

}  // namespace k7
