#include "windows/StatusDialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

namespace {

qint64 countFor(const QMap<QString, qint64>& counts, const QString& variable)
{
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.key().compare(variable, Qt::CaseInsensitive) == 0)
            return it.value();
    return 0;
}

// The keying error rate is that of the first entry: values the second
// typing corrected, of all values typed twice.
QString verifiedText(const VerifiedTally& tally, const QStringList& variables, const QString& crlf)
{
    const qint64 checked = tally.valuesChecked();
    const qint64 corrected = tally.valuesCorrected();
    const double rate = checked > 0 ? 100.0 * static_cast<double>(corrected) / static_cast<double>(checked) : 0;
    QString text = QStringLiteral("Records verified : ") + QString::number(tally.records) + crlf;
    text += QStringLiteral("Keying error rate : %1% (%2 of %3 values corrected)")
                .arg(QString::number(rate, 'f', 2))
                .arg(corrected)
                .arg(checked)
            + crlf;
    for (const QString& name : variables)
        text += QStringLiteral("  %1 : %2 verified, %3 corrected")
                    .arg(name)
                    .arg(countFor(tally.checked, name))
                    .arg(countFor(tally.corrected, name))
                + crlf;
    return text;
}

}  // namespace

QString StatusDialog::statusText(const StatusFacts& facts)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Database name : ") + facts.dbname + crlf;
    text += QStringLiteral("Table name : ") + facts.tablename + crlf;
    if (!facts.tablename.isEmpty())
        text += QStringLiteral("Record count : ") + QString::number(facts.recordCount.value_or(0)) + crlf;
    text += QStringLiteral("CFG filename : ") + facts.cfgpath + crlf;
    text += QStringLiteral("K7 INI filename : ") + facts.inipath + crlf;
    if (facts.verified && facts.verified->records > 0)
        text += verifiedText(*facts.verified, facts.variables, crlf);
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
