#pragma once
// A variable's conditions in words, for people reading about the data:
// "asked when KIND is SHERD or FLINT", "asked when (A is x or B is not y) and
// C is empty". Conditions joined by OR bind tighter than those joined by
// AND, as the entry evaluates them.

#include "cfg/Model.h"

#include <QString>

namespace k7 {

// Empty for a variable without conditions.
QString ConditionWords(const Model& model, int v);

}  // namespace k7
