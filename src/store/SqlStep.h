#pragma once
// One statement, with its bound values, of several run together.

#include <QList>
#include <QString>
#include <QVariant>

namespace k7 {

struct SqlStep {
    QString sql;
    QVariantList values;
    // Where the rows the statement answers with go (each row its columns in
    // order), for a step whose answer the caller reads; left alone when the
    // run fails before the step.
    QList<QVariantList>* rows = nullptr;
};

}  // namespace k7
