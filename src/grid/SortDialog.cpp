#include "grid/SortDialog.h"

#include "grid/DataGrid.h"
#include "grid/EnterInList.h"
#include "platform/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace k7 {

namespace {

QPushButton* button(QWidget* parent, const QString& text, const QString& name, const QString& tip = QString())
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

SortDialog::SortDialog(const GridTools& tools, QWidget* parent)
    : QDialog(parent), m_tools(tools), m_choice(tools.model, tools.store, tools.dialogs, tools.shell)
{
    setObjectName(QStringLiteral("frmsort"));
    setWindowTitle(QStringLiteral("Sort"));
    tools.dialogs.setBusy(true);
    auto* label = new QLabel(QStringLiteral("Select the fields to sort the data grid by :"), this);
    m_fieldList = new QListWidget(this);
    m_fieldList->setObjectName(QStringLiteral("fieldlist"));
    m_fieldList->addItems(m_choice.fieldNames());
    m_sortList = new QListWidget(this);
    m_sortList->setObjectName(QStringLiteral("sortlist"));
    QPushButton* add = button(this, QStringLiteral("&Add to sort"), QStringLiteral("Command1_0"));
    QPushButton* remove = button(this, QStringLiteral("R&emove from sort"), QStringLiteral("Command1_1"));
    m_sort = button(this, QStringLiteral("&Sort"), QStringLiteral("Command2_0"), QStringLiteral("Sort by selected fields"));
    QPushButton* close = button(this, QStringLiteral("&Close"), QStringLiteral("Command2_1"),
                                QStringLiteral("Leave sort status unchanged"));
    QPushButton* unsort = button(this, QStringLiteral("&Remove"), QStringLiteral("Command2_2"),
                                 QStringLiteral("Remove sort from data grid"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 3);
    layout->addWidget(m_fieldList, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addStretch();
    layout->addLayout(middle, 1, 1);
    layout->addWidget(m_sortList, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_sort);
    buttons->addWidget(close);
    buttons->addWidget(unsort);
    layout->addLayout(buttons, 2, 0, 1, 3);

    connect(add, &QPushButton::clicked, this, &SortDialog::addSelected);
    connect(m_fieldList, &QListWidget::itemDoubleClicked, this, &SortDialog::addSelected);
    connect(remove, &QPushButton::clicked, this, &SortDialog::removeSelected);
    connect(m_sortList, &QListWidget::itemDoubleClicked, this, &SortDialog::removeSelected);
    connect(m_sort, &QPushButton::clicked, this, &SortDialog::sort);
    connect(unsort, &QPushButton::clicked, this, &SortDialog::removeSort);
    connect(close, &QPushButton::clicked, this, &SortDialog::closeDialog);
    new EnterInList(m_fieldList, [this] { addSelected(); });
    new EnterInList(m_sortList, [this] { removeSelected(); });
    // Tab goes from the field list to its button, so Tab then Space adds.
    setTabOrder(m_fieldList, add);
    setTabOrder(add, remove);
    setTabOrder(remove, m_sortList);
    setTabOrder(m_sortList, m_sort);
    setTabOrder(m_sort, close);
    setTabOrder(close, unsort);
    m_fieldList->setFocus();
    showList();
    tools.dialogs.setBusy(false);
}

void SortDialog::showList()
{
    m_sortList->clear();
    m_sortList->addItems(m_choice.sortList());
    m_sort->setEnabled(m_choice.canSort());
}

void SortDialog::addSelected()
{
    if (QListWidgetItem* item = m_fieldList->currentItem(); item && m_choice.add(item->text()))
        showList();
}

void SortDialog::removeSelected()
{
    const int row = m_sortList->currentRow();
    if (row < 0)
        return;
    m_choice.removeAt(row);
    showList();
    m_sortList->setCurrentRow(qMin(row, m_sortList->count() - 1));
}

void SortDialog::sort()
{
    if (m_choice.sort())
        m_tools.grid.goToRow(0);
}

void SortDialog::removeSort()
{
    static_cast<void>(m_choice.removeSort());  // a failure has been told to the operator
    showList();
    m_tools.grid.goToRow(0);
}

void SortDialog::closeDialog()
{
    m_tools.dialogs.setBusy(true);
    static_cast<void>(m_choice.close());  // a failure has been told to the operator
    m_tools.dialogs.setBusy(false);
    accept();
}

}  // namespace k7
