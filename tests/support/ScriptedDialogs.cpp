#include "ScriptedDialogs.h"

#include <QTest>

namespace k7::test {

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const auto& m : m_messages)
        out << m.text;
    return out;
}

int ScriptedDialogs::message(const QString& text, int style)
{
    m_messages.append({text, style});
    const int buttons = style & 7;
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (buttons == Style::OkOnly)
        return Answer::Ok;
    QTest::qFail(qPrintable(QStringLiteral("unexpected question: %1 (style %2)").arg(text).arg(style)),
                 __FILE__, __LINE__);
    return Answer::Cancel;
}

QString ScriptedDialogs::openFileName(const QString&, const QString&, const QString&)
{
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

QString ScriptedDialogs::saveFileName(const QString&, const QString&, const QString&)
{
    return m_files.isEmpty() ? QString() : m_files.dequeue();
}

std::optional<QString> ScriptedDialogs::inputText(const QString& prompt, const QString&)
{
    m_messages.append({prompt, -1});
    return m_inputs.isEmpty() ? std::nullopt : m_inputs.dequeue();
}

std::optional<QString> ScriptedDialogs::chooseTable(const QStringList&)
{
    return m_tables.isEmpty() ? std::nullopt : m_tables.dequeue();
}

std::optional<long> ScriptedDialogs::chooseColor(long)
{
    return m_colors.isEmpty() ? std::nullopt : m_colors.dequeue();
}

void ScriptedDialogs::timedMessage(const QString& text, int)
{
    m_timed.append(text);
}

}  // namespace k7::test
