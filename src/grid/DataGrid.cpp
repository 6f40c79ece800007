#include "grid/DataGrid.h"

#include "entry/EntryKeys.h"
#include "grid/RecordSetModel.h"
#include "store/RecordSet.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace k7 {

namespace {

int gridKeyCode(const QKeyEvent* event)
{
    return EntryKeyCode(KeyPlace::Grid, event->key(), event->modifiers());
}

}  // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("datagrid"));
    m_model = new RecordSetModel(this);
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    // Uniform row heights keep a million rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 2);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(120);
    connect(this, &QTableView::doubleClicked, this, [this] { emit editRequested(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DataGrid::positionChanged);
}

bool DataGrid::event(QEvent* e)
{
    // The window's shortcuts must not take the keys the grid reacts to.
    if (e->type() == QEvent::ShortcutOverride) {
        if (gridKeyCode(static_cast<QKeyEvent*>(e)) != 0) {
            e->accept();
            return true;
        }
    }
    return QTableView::event(e);
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    const int code = gridKeyCode(event);
    if (code != 0 && m_keyHandler && m_keyHandler(code)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (RecordSet* rs = m_model->recordSet(); rs && rs->isOpen() && current.isValid() &&
                                                 rs->absolutePosition() != current.row())
        // A row that cannot be reached leaves the set where it was; the next
        // move or repaint shows what is really there.
        static_cast<void>(rs->setAbsolutePosition(current.row()));
    emit positionChanged();
}

void DataGrid::goToRow(int row)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    if (row < 0 || row >= rows)
        row = rows - 1;
    const int column = qMax(0, currentIndex().column());
    const QModelIndex index = m_model->index(row, column);
    setCurrentIndex(index);
    scrollTo(index);
}

QString DataGrid::currentCellText() const
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return QString();
    return m_model->cellText(index.row(), index.column());
}

}  // namespace k7
