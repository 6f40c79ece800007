#pragma once
// Whether the number of an instrument reading can be the value of the
// variable presented. Judged when the reading arrives, so that a reading the
// record cannot hold is refused like any other (a beep and a note, the
// variable still presented) rather than rounded, or stopped at the save.

#include "cfg/Model.h"
#include "store/TableDef.h"

#include <QString>

#include <optional>

namespace k7 {

// Why `number` (a number as JudgeReadingLine gives it) cannot be the value
// of `var` stored in `field`: outside the range of a Single or Long field,
// longer written out than the variable's Length, or longer than a Text field
// holds. Empty when it fits. Without a field only the Length counts.
QString ReadingMisfit(const QString& number, const Variable& var, const std::optional<FieldDef>& field);

}  // namespace k7
