#pragma once
// frmStatus: what is open (database, table, record count, CFG, settings file).

#include "store/VerifiedRows.h"

#include <QDialog>
#include <QStringList>

#include <optional>

namespace k7 {

struct StatusFacts {
    QString dbname;
    QString tablename;
    std::optional<qint64> recordCount;  // only shown when a table is set
    QString cfgpath;
    QString inipath;
    // What verify mode found in the table, per variable in CFG order.
    std::optional<VerifiedTally> verified;
    QStringList variables;
};

class StatusDialog : public QDialog {
    Q_OBJECT
public:
    explicit StatusDialog(const StatusFacts& facts, QWidget* parent = nullptr);

    // The status text, each line ended by CR LF.
    static QString statusText(const StatusFacts& facts);
};

}  // namespace k7
