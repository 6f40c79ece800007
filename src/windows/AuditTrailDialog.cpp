#include "windows/AuditTrailDialog.h"

#include "store/AuditQuery.h"
#include "windows/AuditRowsModel.h"
#include "store/Database.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace k7 {

AuditTrailDialog::AuditTrailDialog(Database& db, QWidget* parent)
    : QDialog(parent), m_db(db), m_field(new QComboBox(this)), m_action(new QComboBox(this)),
      m_failure(new QLabel(this)),
      m_grid(new QTableView(this)), m_model(new AuditRowsModel(this))
{
    setObjectName(QStringLiteral("frmAudit"));
    setWindowTitle(QStringLiteral("K7 - Audit trail"));
    m_field->setObjectName(QStringLiteral("auditfield"));
    m_action->setObjectName(QStringLiteral("auditaction"));
    m_grid->setObjectName(QStringLiteral("auditgrid"));
    m_failure->setObjectName(QStringLiteral("auditfailure"));
    m_failure->setWordWrap(true);
    m_failure->hide();
    fillChoices(m_field, QStringLiteral("field"));
    fillChoices(m_action, QStringLiteral("action"));

    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();

    auto* filters = new QHBoxLayout;
    auto* fieldLabel = new QLabel(QStringLiteral("&Field:"), this);
    fieldLabel->setBuddy(m_field);
    auto* actionLabel = new QLabel(QStringLiteral("&Action:"), this);
    actionLabel->setBuddy(m_action);
    filters->addWidget(fieldLabel);
    filters->addWidget(m_field, 1);
    filters->addWidget(actionLabel);
    filters->addWidget(m_action, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_failure);
    layout->addWidget(m_grid);
    layout->addWidget(buttons);
    resize(900, 480);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_field, &QComboBox::currentIndexChanged, this, &AuditTrailDialog::reload);
    connect(m_action, &QComboBox::currentIndexChanged, this, &AuditTrailDialog::reload);
    reload();
}

void AuditTrailDialog::fillChoices(QComboBox* box, const QString& column)
{
    box->addItem(QStringLiteral("(all)"), QString());
    for (const QString& value : AuditValues(m_db, column))
        box->addItem(value, value);
}

void AuditTrailDialog::reload()
{
    QString error;
    std::optional<std::vector<QVariantList>> rows =
        AuditRows(m_db, {m_field->currentData().toString(), m_action->currentData().toString()}, &error);
    m_failure->setText(rows ? QString() : QStringLiteral("The audit trail cannot be read: ") + error);
    m_failure->setVisible(!rows);
    m_model->setRows(AuditColumns(), rows ? std::move(*rows) : std::vector<QVariantList>());
    m_grid->resizeColumnsToContents();
}

}  // namespace k7
