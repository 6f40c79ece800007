#pragma once
// A Dialogs double for tests: records every message as (text, style) and
// answers from queues. A message box nobody queued an answer for fails the
// test, so an unexpected question never goes unnoticed.

#include "platform/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>
#include <QString>

namespace k7::test {

struct ShownMessage {
    QString text;
    int style = 0;
};

class ScriptedDialogs : public Dialogs {
public:
    // Messages with an OK button only (styles 0, 16, 32, 48, 64) are answered
    // Ok without a queued answer; anything with a choice needs one.
    void queueAnswer(int answer) { m_answers.enqueue(answer); }
    // Answers by name: "ok", "cancel", "yes" or "no".
    void queueAnswers(const QStringList& names)
    {
        const QStringList answers{"", "ok", "cancel", "", "", "", "yes", "no"};
        for (const QString& name : names) {
            const int answer = int(answers.indexOf(name.toLower()));
            if (answer < 1)
                qFatal("no answer is called %s", qPrintable(name));
            queueAnswer(answer);
        }
    }
    void queueFile(const QString& path) { m_files.enqueue(path); }
    void queueInput(std::optional<QString> text) { m_inputs.enqueue(std::move(text)); }
    void queueTable(std::optional<QString> table) { m_tables.enqueue(std::move(table)); }
    void queueColor(std::optional<long> color) { m_colors.enqueue(color); }

    const QList<ShownMessage>& messages() const { return m_messages; }
    QStringList texts() const;
    QStringList shown() const;  // each message as "text [style]"
    const QList<QString>& timedMessages() const { return m_timed; }
    int pendingAnswers() const { return m_answers.size(); }
    void clear() { m_messages.clear(); m_timed.clear(); }
    // Runs while each message is "on screen", before it is answered.
    std::function<void(const QString& text)> whileShown;

    int message(const QString& text, int style) override;
    QString openFileName(const QString&, const QString&, const QString&) override { return nextFile(); }
    QString saveFileName(const QString&, const QString&, const QString&) override { return nextFile(); }
    std::optional<QString> inputText(const QString& prompt, const QString&) override
    {
        m_messages.append({prompt, -1});
        return m_inputs.isEmpty() ? std::nullopt : m_inputs.dequeue();
    }
    // Passwords come from the same queue as typed texts.
    std::optional<QString> inputPassword(const QString& prompt) override { return inputText(prompt, QString()); }
    std::optional<QString> chooseTable(const QStringList&) override
    {
        return m_tables.isEmpty() ? std::nullopt : m_tables.dequeue();
    }
    std::optional<long> chooseColor(long) override { return m_colors.isEmpty() ? std::nullopt : m_colors.dequeue(); }
    void timedMessage(const QString& text, int) override { m_timed.append(text); }
    void setBusy(bool busy) override { m_busy = busy; }
    // Runs the work as the progress dialog would; with cancelAfterSteps set,
    // Cancel is pressed after that many steps if the work has not ended.
    bool runWithProgress(const QString& text, SteppedWork& work) override
    {
        progressTexts << text;
        for (int steps = 1; work.step(); ++steps) {
            if (steps == cancelAfterSteps)
                return false;
        }
        return true;
    }
    int cancelAfterSteps = 0;
    QStringList progressTexts;

    bool busy() const { return m_busy; }

private:
    QString nextFile() { return m_files.isEmpty() ? QString() : m_files.dequeue(); }

    QList<ShownMessage> m_messages;
    QList<QString> m_timed;
    QQueue<int> m_answers;
    QQueue<QString> m_files;
    QQueue<std::optional<QString>> m_inputs;
    QQueue<std::optional<QString>> m_tables;
    QQueue<std::optional<long>> m_colors;
    bool m_busy = false;
};

}  // namespace k7::test
