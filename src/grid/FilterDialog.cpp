#include "grid/FilterDialog.h"

#include "grid/DataGrid.h"
#include "grid/EnterInList.h"
#include "grid/DistinctValuesModel.h"
#include "platform/Dialogs.h"
#include "store/DataStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>

namespace k7 {

FilterDialog::FilterDialog(const GridTools& tools, QWidget* parent)
    : QDialog(parent), m_tools(tools), m_choice(tools.model, tools.store, tools.dialogs, tools.shell)
{
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(QStringLiteral("Filter"));
    auto* fieldLabel = new QLabel(QStringLiteral("Select the filter field :"), this);
    m_fieldList = new QListWidget(this);
    m_fieldList->setObjectName(QStringLiteral("fieldlist"));
    auto* valueLabel = new QLabel(QStringLiteral("Select the fitler value :"), this);
    m_valueList = new QListView(this);
    m_valueList->setObjectName(QStringLiteral("valuelist"));
    m_valueList->setUniformItemSizes(true);
    m_valueList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_values = new DistinctValuesModel(this);
    m_valueList->setModel(m_values);
    // The values of a long table keep arriving after the list shows; a
    // read that fails on the way is reported then.
    connect(m_values, &DistinctValuesModel::completed, this, &FilterDialog::valuesCompleted);
    m_apply = new QPushButton(QStringLiteral("&Apply Filter"), this);
    m_apply->setObjectName(QStringLiteral("Command2_0"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("Command2_1"));
    auto* remove = new QPushButton(QStringLiteral("&Remove Filter"), this);
    remove->setObjectName(QStringLiteral("Command2_2"));
    for (QPushButton* b : {m_apply, close, remove})
        b->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(fieldLabel, 0, 0);
    layout->addWidget(valueLabel, 0, 1);
    layout->addWidget(m_fieldList, 1, 0);
    layout->addWidget(m_valueList, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_apply);
    buttons->addWidget(close);
    buttons->addWidget(remove);
    layout->addLayout(buttons, 2, 0, 1, 2);

    tools.dialogs.setBusy(true);
    m_fieldList->addItems(m_choice.fieldNames());
    tools.dialogs.setBusy(false);
    connect(m_fieldList, &QListWidget::currentRowChanged, this, &FilterDialog::fillValues);
    connect(m_valueList->selectionModel(), &QItemSelectionModel::currentChanged, this, &FilterDialog::updateButtons);
    connect(m_apply, &QPushButton::clicked, this, &FilterDialog::apply);
    connect(remove, &QPushButton::clicked, this, &FilterDialog::remove);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    // Enter on a field moves on to its values; Enter on a value applies it.
    new EnterInList(m_fieldList, [this] {
        if (m_fieldList->currentItem())
            m_valueList->setFocus();
    });
    new EnterInList(m_valueList, [this] { apply(); });
    m_fieldList->setFocus();
    if (const auto stored = m_choice.stored())
        preselect(*stored);
    updateButtons();
}

void FilterDialog::valuesCompleted()
{
    const QListWidgetItem* item = m_fieldList->currentItem();
    if (!m_values->lastError().isEmpty() && item)
        m_tools.dialogs.message(
            QStringLiteral("The values of %1 could not be read: %2").arg(item->text(), m_values->lastError()),
            Style::Exclamation);
}

void FilterDialog::fillValues()
{
    const QListWidgetItem* item = m_fieldList->currentItem();
    m_values->clear();
    if (item) {
        m_tools.dialogs.setBusy(true);
        QString error;
        const bool read = m_values->load(m_tools.store.currentdb(), m_tools.store.tablename(), item->text(), &error);
        m_tools.dialogs.setBusy(false);
        if (!read)
            m_tools.dialogs.message(QStringLiteral("The values of %1 could not be read: %2").arg(item->text(), error),
                                    Style::Exclamation);
    }
    updateButtons();
}

void FilterDialog::preselect(const FieldValue& stored)
{
    const QList<QListWidgetItem*> found = m_fieldList->findItems(stored.field, Qt::MatchFixedString);
    if (found.isEmpty())
        return;  // a field the CFG no longer has: nothing to preselect
    m_fieldList->setCurrentItem(found.first());
    m_values->pin(stored.value);
    m_valueList->setCurrentIndex(m_values->index(0));
}

void FilterDialog::updateButtons()
{
    m_apply->setEnabled(m_fieldList->currentItem() && m_valueList->currentIndex().isValid());
}

void FilterDialog::apply()
{
    const QListWidgetItem* field = m_fieldList->currentItem();
    const QModelIndex value = m_valueList->currentIndex();
    if (field && value.isValid() && m_choice.apply(field->text(), value.data().toString()))
        m_tools.grid.goToRow(0);
}

void FilterDialog::remove()
{
    if (m_choice.remove())
        m_tools.grid.goToRow(0);
}

}  // namespace k7
