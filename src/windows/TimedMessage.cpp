#include "windows/TimedMessage.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace k7 {

TimedMessage::TimedMessage(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("K7"));
    m_messagetext = new QLabel(this);
    m_messagetext->setObjectName(QStringLiteral("messagetext"));
    m_messagetext->setWordWrap(true);
    m_messagetext->setTextFormat(Qt::PlainText);
    m_messagetext->setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_messagetext, 0, Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(5000);
    connect(m_timer, &QTimer::timeout, this, &TimedMessage::finish);
}

void TimedMessage::setText(const QString& text)
{
    // Look-up results separate their lines with a lone carriage return.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_messagetext->setText(shown.trimmed());
}

QString TimedMessage::text() const
{
    return m_messagetext->text();
}

void TimedMessage::setInterval(int milliseconds)
{
    m_timer->setInterval(milliseconds);
}

void TimedMessage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_timer->start();
}

void TimedMessage::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Escape) {
        finish();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TimedMessage::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    finish();
}

void TimedMessage::finish()
{
    m_timer->stop();
    accept();
}

}  // namespace k7
