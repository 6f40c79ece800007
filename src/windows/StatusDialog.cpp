#include "windows/StatusDialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

QString StatusDialog::statusText(const StatusFacts& facts)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Database name : ") + facts.dbname + crlf;
    text += QStringLiteral("Table name : ") + facts.tablename + crlf;
    if (!facts.tablename.isEmpty())
        text += QStringLiteral("Record count : ") + QString::number(facts.recordCount.value_or(0)) + crlf;
    text += QStringLiteral("CFG filename : ") + facts.cfgpath + crlf;
    text += QStringLiteral("K7 INI filename : ") + facts.inipath + crlf;
    return text;
}

StatusDialog::StatusDialog(const StatusFacts& facts, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmStatus"));
    setWindowTitle(QStringLiteral("K7 - Status"));
    auto* label = new QLabel(QStringLiteral("Current status:"), this);
    auto* info = new QPlainTextEdit(this);
    info->setObjectName(QStringLiteral("statusinfo"));
    info->setReadOnly(true);
    info->setPlainText(statusText(facts));
    info->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(info);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(560, 240);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace k7
