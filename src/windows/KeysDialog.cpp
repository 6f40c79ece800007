#include "windows/KeysDialog.h"

#include "entry/EntryKeys.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace k7 {

KeysDialog::KeysDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmKeys"));
    setWindowTitle(QStringLiteral("K7 - Keys"));
    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("keylist"));
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("Key"), QStringLiteral("What it does")});
    list->setRootIsDecorated(false);
    list->setWordWrap(true);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    // One heading per place, its keys beneath in the table's order.
    QTreeWidgetItem* heading = nullptr;
    KeyPlace place{};
    for (const KeyBinding& key : KeyBindings()) {
        if (!heading || key.place != place) {
            place = key.place;
            heading = new QTreeWidgetItem(list, {KeyPlaceName(place)});
            heading->setFirstColumnSpanned(true);
            QFont bold = heading->font(0);
            bold.setBold(true);
            heading->setFont(0, bold);
        }
        new QTreeWidgetItem(heading, {key.keys, key.does});
    }
    list->expandAll();
    list->setItemsExpandable(false);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(720, 520);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace k7
