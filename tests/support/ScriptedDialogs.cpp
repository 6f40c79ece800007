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

QStringList ScriptedDialogs::shown() const
{
    QStringList out;
    for (const auto& m : m_messages)
        out << QStringLiteral("%1 [%2]").arg(m.text).arg(m.style);
    return out;
}

int ScriptedDialogs::message(const QString& text, int style)
{
    m_messages.append({text, style});
    if (whileShown)
        whileShown(text);
    const int buttons = style & 7;
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (buttons == Style::OkOnly)
        return Answer::Ok;
    QTest::qFail(qPrintable(QStringLiteral("unexpected question: %1 (style %2)").arg(text).arg(style)),
                 __FILE__, __LINE__);
    return Answer::Cancel;
}

}  // namespace k7::test
