#pragma once
// Dialogs for runs with nobody at the screen (the command line, benchmarks):
// every chooser is cancelled and nothing is shown but what `message` does.

#include "platform/Dialogs.h"

namespace k7 {

class UnattendedDialogs : public Dialogs {
public:
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> inputText(const QString&, const QString&) override { return {}; }
    std::optional<QString> chooseTable(const QStringList&) override { return {}; }
    std::optional<long> chooseColor(long) override { return {}; }
    void timedMessage(const QString&, int) override {}
    void setBusy(bool) override {}
};

}  // namespace k7
