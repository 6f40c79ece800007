#include "grid/DataGrid.h"

#include "entry/EntryKeys.h"
#include "grid/RecordSetModel.h"
#include "store/RecordSet.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace k7 {

namespace {

int gridKeyCode(const QKeyEvent* event)
{
    return EntryKeyCode(KeyPlace::Grid, event->key(), event->modifiers());
}

}  // namespace

DataGrid::DataGrid(QWidget* parent, int windowRows) : QTableView(parent)
{
    setObjectName(QStringLiteral("datagrid"));
    m_model = new RecordSetModel(this);
    m_window = new GridRowWindow(m_model, windowRows, this);
    setModel(m_window);
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
    // A table re-read starts a new selection.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_selectedOutside.clear();
        m_anchor = {};
        m_beforeAnchor.clear();
        m_extendsHere = false;
        emit positionChanged();
    });
    // A row header pressed with Shift may have to extend from a row the
    // window has moved away from.
    disconnect(verticalHeader(), &QHeaderView::sectionPressed, this, &QTableView::selectRow);
    connect(verticalHeader(), &QHeaderView::sectionPressed, this, &DataGrid::pressRowHeader);
    // The row header measures its numbers once, and a reset keeps that
    // measure: a window moved to longer numbers needs it taken again.
    connect(m_window, &QAbstractItemModel::modelReset, this, &DataGrid::fitRowHeader);
    connect(m_window, &QAbstractItemModel::headerDataChanged, this, &DataGrid::fitRowHeader);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &DataGrid::followScroll);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &DataGrid::followScroll);
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
    if (extendsSelectionByKey(event)) {
        extendSelectionByKey(event);
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_extendsHere && index.isValid() && event->button() == Qt::LeftButton
        && (event->modifiers() & Qt::ShiftModifier) && selectionMode() == ExtendedSelection) {
        extendSelectionTo({m_window->toWhole(index.row()), index.column()}, false);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // Read before the view scrolls to the cell, which may move the window.
    const int row = m_window->toWhole(current.row());
    QTableView::currentChanged(current, previous);
    if (RecordSet* rs = m_model->recordSet(); rs && rs->isOpen() && current.isValid() && rs->absolutePosition() != row)
        // A row that cannot be reached leaves the set where it was; the next
        // move or repaint shows what is really there.
        static_cast<void>(rs->setAbsolutePosition(row));
    emit positionChanged();
}

// Ctrl+Home and Ctrl+End go to the table's ends, not the window's.
QModelIndex DataGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const bool toAnEnd = (cursorAction == MoveHome || cursorAction == MoveEnd) && (modifiers & Qt::ControlModifier);
    if (toAnEnd && m_window->windowed()) {
        const int row = cursorAction == MoveHome ? 0 : m_window->wholeRows() - 1;
        // Read before the move, which takes a current cell outside the new window.
        const int column = std::max(0, currentColumn());
        moveWindowTo(row);
        return m_window->index(m_window->toWindow(row), column);
    }
    return QTableView::moveCursor(cursorAction, modifiers);
}

QItemSelectionModel::SelectionFlags DataGrid::selectionCommand(const QModelIndex& index, const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags flags = QTableView::selectionCommand(index, event);
    // A new selection replaces the parts the window has moved away from.
    if (flags & QItemSelectionModel::Clear)
        m_selectedOutside.clear();
    // Where the view begins a selection, and so sets its anchor, so do we.
    const bool selects =
        flags & (QItemSelectionModel::Select | QItemSelectionModel::Deselect | QItemSelectionModel::Toggle);
    if (index.isValid() && selects && !(flags & QItemSelectionModel::Current)) {
        m_beforeAnchor = (flags & QItemSelectionModel::Clear) ? QList<Block>{} : selectedBlocks();
        m_anchor = {m_window->toWhole(index.row()), index.column()};
        m_extendsHere = false;
    }
    return flags;
}

std::optional<QAbstractItemView::CursorAction> DataGrid::cursorActionOf(int key)
{
    switch (key) {
    case Qt::Key_Up: return MoveUp;
    case Qt::Key_Down: return MoveDown;
    case Qt::Key_Left: return MoveLeft;
    case Qt::Key_Right: return MoveRight;
    case Qt::Key_PageUp: return MovePageUp;
    case Qt::Key_PageDown: return MovePageDown;
    case Qt::Key_Home: return MoveHome;
    case Qt::Key_End: return MoveEnd;
    default: return std::nullopt;
    }
}

// Shift with a key that moves the cell, once the view's own anchor is gone,
// and always for Ctrl+Shift+Home and End, which move the window first.
bool DataGrid::extendsSelectionByKey(const QKeyEvent* event) const
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (!(modifiers & Qt::ShiftModifier) || !m_window->windowed() || selectionMode() != ExtendedSelection
        || !cursorActionOf(event->key()))
        return false;
    const bool toAnEnd =
        (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && (modifiers & Qt::ControlModifier);
    return m_extendsHere || toAnEnd;
}

void DataGrid::extendSelectionByKey(QKeyEvent* event)
{
    const QModelIndex next = moveCursor(*cursorActionOf(event->key()), event->modifiers());
    if (next.isValid())
        extendSelectionTo({m_window->toWhole(next.row()), next.column()}, false);
    event->accept();
}

void DataGrid::pressRowHeader(int section)
{
    const bool extends = m_extendsHere && (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)
        && selectionMode() == ExtendedSelection;
    if (!extends) {
        selectRow(section);
        return;
    }
    extendSelectionTo({m_window->toWhole(section), std::max(0, horizontalHeader()->logicalIndexAt(0))}, true);
}

// The selection as it was before its anchor, and the block from the anchor
// to `target` (whole rows when `wholeRows`), with `target` current.
void DataGrid::extendSelectionTo(Cell target, bool wholeRows)
{
    const Cell anchor = m_anchor.row >= 0 ? m_anchor : Cell{currentRow(), currentColumn()};
    if (anchor.row < 0 || target.row < 0)
        return;
    const int lastColumn = m_window->columnCount() - 1;
    QList<Block> blocks = m_beforeAnchor;
    blocks.append({std::min(anchor.row, target.row), std::max(anchor.row, target.row),
                   wholeRows ? 0 : std::min(anchor.column, target.column),
                   wholeRows ? lastColumn : std::max(anchor.column, target.column)});
    if (!m_window->comfortablyHolds(target.row))
        moveWindowTo(target.row);
    selectionModel()->clearSelection();
    reselect(blocks);
    // The view's anchor now points at nothing it could extend from.
    m_extendsHere = true;
    selectionModel()->setCurrentIndex(m_window->index(m_window->toWindow(target.row), target.column),
                                      QItemSelectionModel::NoUpdate);
    scrollTo(currentIndex());
}

void DataGrid::goToRow(int row)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    if (row < 0 || row >= rows)
        row = rows - 1;
    setCurrentCell(row, std::max(0, currentColumn()));
}

void DataGrid::setCurrentCell(int row, int column)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    if (!m_window->comfortablyHolds(row))
        moveWindowTo(row);
    setCurrentIndex(m_window->index(m_window->toWindow(row), column));
    // Scrolling to the cell may have moved the window again; the current
    // index has followed it.
    scrollTo(currentIndex());
}

int DataGrid::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? m_window->toWhole(index.row()) : -1;
}

QString DataGrid::currentCellText() const
{
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return QString();
    return m_model->cellText(m_window->toWhole(index.row()), index.column());
}

QList<int> DataGrid::selectedWholeRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << m_window->toWhole(index.row());
    const int lastColumn = m_window->columnCount() - 1;
    for (const Block& b : m_selectedOutside) {
        if (b.left == 0 && b.right == lastColumn) {
            for (int row = b.top; row <= b.bottom; ++row)
                rows << row;
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DataGrid::fitRowHeader()
{
    if (verticalHeader()->count() > 0)
        verticalHeader()->headerDataChanged(Qt::Vertical, 0, 0);
    updateGeometries();
}

// The operator has scrolled near an edge of the window that can move: the
// window is placed around the first row shown, which stays at the top.
void DataGrid::followScroll()
{
    // A window that moved under a dragged slider would pull it from the
    // mouse: it moves once the slider is let go.
    if (m_moving || !m_window->windowed() || verticalScrollBar()->isSliderDown())
        return;
    const int top = m_window->toWhole(std::max(0, rowAt(0)));
    const int shown = rowAt(viewport()->height() - 1);
    const int bottom = m_window->toWhole(shown < 0 ? m_window->rowCount() - 1 : shown);
    if (m_window->comfortablyHolds(top) && m_window->comfortablyHolds(bottom))
        return;
    moveWindowTo(top);
    scrollTo(m_window->index(m_window->toWindow(top), std::max(0, horizontalHeader()->logicalIndexAt(0))),
             PositionAtTop);
}

// Moves the window so that it holds `row`, keeping the current cell and the
// selection on their rows.
void DataGrid::moveWindowTo(int row)
{
    const int current = currentRow();
    const int column = currentColumn();
    const QList<Block> blocks = selectedBlocks();
    m_moving = true;
    const bool moved = m_window->moveTo(row);
    if (moved) {
        // The view's anchor was an index of the old window.
        m_extendsHere = true;
        reselect(blocks);
        // The current cell comes back where it was, without scrolling the
        // view to it: the operator may have scrolled away.
        const bool autoScrolls = hasAutoScroll();
        setAutoScroll(false);
        if (const int shown = m_window->toWindow(current); shown >= 0)
            selectionModel()->setCurrentIndex(m_window->index(shown, column), QItemSelectionModel::NoUpdate);
        setAutoScroll(autoScrolls);
    }
    m_moving = false;
}

QList<DataGrid::Block> DataGrid::selectedBlocks() const
{
    QList<Block> blocks = m_selectedOutside;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        blocks.append({m_window->toWhole(r.top()), m_window->toWhole(r.bottom()), r.left(), r.right()});
    return blocks;
}

// Selects what lies inside the window of `blocks`; the rest is kept aside.
void DataGrid::reselect(const QList<Block>& blocks)
{
    m_selectedOutside.clear();
    QItemSelection inside;
    const int first = m_window->offset();
    const int last = first + m_window->rowCount() - 1;
    for (const Block& b : blocks) {
        if (b.top < first)
            m_selectedOutside.append({b.top, std::min(b.bottom, first - 1), b.left, b.right});
        if (b.bottom > last)
            m_selectedOutside.append({std::max(b.top, last + 1), b.bottom, b.left, b.right});
        const int top = std::max(b.top, first);
        const int bottom = std::min(b.bottom, last);
        if (top <= bottom)
            inside.select(m_window->index(top - first, b.left), m_window->index(bottom - first, b.right));
    }
    selectionModel()->select(inside, QItemSelectionModel::Select);
}

}  // namespace k7
