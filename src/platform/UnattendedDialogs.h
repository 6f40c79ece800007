#pragma once
// Dialogs for runs with nobody at the screen (the command line, benchmarks):
// every chooser is cancelled and nothing is shown but what `message` does.

#include "platform/Dialogs.h"

#include <QTextStream>

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

// For the command line: each message goes to a stream as "FILE: text", and
// every question is answered No.
class ReportingDialogs : public UnattendedDialogs {
public:
    ReportingDialogs(const QString& path, QTextStream& err) : m_path(path), m_err(err) {}

    int message(const QString& text, int style) override
    {
        m_err << m_path << ": " << text << '\n';
        return (style & 7) == Style::OkOnly ? Answer::Ok : Answer::No;
    }

private:
    QString m_path;
    QTextStream& m_err;
};

}  // namespace k7
