#pragma once
// One statement, with its bound values, of several run together.

#include <QString>
#include <QVariant>

namespace k7 {

struct SqlStep {
    QString sql;
    QVariantList values;
};

}  // namespace k7
