#include "windows/UserTextDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

UserTextDialog::UserTextDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUsertext"));
    setWindowTitle(QStringLiteral("Table Name"));
    m_prompt = new QLabel(QStringLiteral("Enter a table name :"), this);
    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setWordWrap(true);
    m_response = new QLineEdit(this);
    m_response->setObjectName(QStringLiteral("response"));
    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addWidget(m_response);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] { finish(QStringLiteral("Ok")); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(QStringLiteral("Cancel")); });
}

void UserTextDialog::setPrompt(const QString& prompt)
{
    if (!prompt.isEmpty())
        m_prompt->setText(prompt);
}

void UserTextDialog::setResponse(const QString& text)
{
    m_response->setText(text);
}

QString UserTextDialog::response() const
{
    return m_response->text();
}

void UserTextDialog::finish(const QString& button)
{
    m_button = button;
    if (button == QLatin1String("Ok"))
        accept();
    else
        reject();
}

}  // namespace k7
