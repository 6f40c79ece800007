#include "store/SqlStatement.h"

namespace k7 {

bool SqlStatement::run(const QVariantList& values)
{
    if (!bind(values))
        return false;
    while (step()) {
    }
    const bool good = error().isEmpty();
    reset();
    return good;
}

}  // namespace k7
