#include "windows/TableChooser.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace k7 {

TableChooser::TableChooser(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmwhichtable"));
    setWindowTitle(QStringLiteral("Data entry table"));
    auto* label = new QLabel(QStringLiteral("Enter data into which table?"), this);
    m_tablelist = new QListWidget(this);
    m_tablelist->setObjectName(QStringLiteral("tablelist"));
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_tablelist);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TableChooser::choose);
    connect(m_tablelist, &QListWidget::itemDoubleClicked, this, &TableChooser::choose);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_chosen.clear();
        reject();
    });
}

void TableChooser::setTables(const QStringList& tables)
{
    m_tablelist->clear();
    m_tablelist->addItems(tables);
    if (!tables.isEmpty())
        m_tablelist->setCurrentRow(0);
}

void TableChooser::choose()
{
    const QListWidgetItem* item = m_tablelist->currentItem();
    m_chosen = item ? item->text() : QString();
    accept();
}

}  // namespace k7
