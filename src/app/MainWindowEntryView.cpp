// The main window's side of EntryView: the keys of the input controls go to
// the engine, and what the engine presents goes to the entry area, the
// variable list and the grid.
#include "app/MainWindow.h"

#include "app/EntryArea.h"
#include "entry/EntryEngine.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "grid/RecordSetModel.h"
#include "instruments/Instruments.h"

#include <QListWidget>
#include <QTimer>

namespace k7 {

// ------------------------------------------------------------------- keys

bool MainWindow::entryKey(Control control, int code)
{
    // During the ImageJ pause keys are swallowed: the value on show is about
    // to be accepted by itself.
    if (m_instruments->inputHeld())
        return true;
    switch (control) {
    case Control::TextBox: return m_engine->textKey(code);
    case Control::NumericBox: return m_engine->numericKey(code);
    case Control::MenuList: return m_engine->menuKey(code);
    case Control::InstrumentBox: return m_instruments->instrumentKey(code);
    }
    return false;
}

// ---------------------------------------------------------------- EntryView

void MainWindow::showFrame(Frame frame) { m_entry->showFrame(frame); }
void MainWindow::setFrameCaption(Frame frame, const QString& caption, int fontSize)
{
    m_entry->setFrameCaption(frame, caption, fontSize);
}
void MainWindow::setPrompt(Frame frame, const QString& prompt) { m_entry->setPrompt(frame, prompt); }
long MainWindow::backgroundColor() const { return m_entry->backgroundColor(); }
void MainWindow::setBackgroundColor(long color) { m_entry->setBackgroundColor(color); }
QString MainWindow::boxText(Control box) const { return m_entry->boxText(box); }
void MainWindow::setBoxText(Control box, const QString& text) { m_entry->setBoxText(box, text); }
void MainWindow::setBoxMaxLength(Control box, int length) { m_entry->setBoxMaxLength(box, length); }
void MainWindow::selectBoxText(Control box, int start, int length) { m_entry->selectBoxText(box, start, length); }
void MainWindow::setFocus(Control control) { m_entry->focusControl(control); }
int MainWindow::menuListWidthTwips() const { return m_entry->menuListWidth(); }
void MainWindow::setMenuItems(const QStringList& items, int columns) { m_entry->setMenuItems(items, columns); }
void MainWindow::selectMenuItem(int index) { m_entry->selectMenuItem(index); }
int MainWindow::selectedMenuItem() const { return m_entry->selectedMenuItem(); }
QString MainWindow::selectedMenuText() const { return m_entry->selectedMenuText(); }
void MainWindow::setHelp(Frame frame, const QString& url) { m_entry->setHelp(frame, url); }
void MainWindow::setInfoButton(Frame frame, bool visible, const QString& tag)
{
    m_entry->setInfoButton(frame, visible, tag);
}
QString MainWindow::infoButtonTag(Frame frame) const { return m_entry->infoButtonTag(frame); }
void MainWindow::setEntryButtons(const QString& previousCaption, const QString& nextCaption, const QString& kindTag)
{
    m_entry->setEntryButtons(previousCaption, nextCaption, kindTag);
}
QString MainWindow::kindTag() const { return m_entry->kindTag(); }

void MainWindow::setVariableList(const QStringList& names)
{
    const auto guard = m_engine->guardLists();
    m_vlist->clear();
    m_vlist->addItems(names);
}

void MainWindow::selectVariable(int index)
{
    const auto guard = m_engine->guardLists();
    if (index < 0 || index >= m_vlist->count()) {
        m_vlist->clearSelection();
        m_vlist->setCurrentRow(-1);
        return;
    }
    m_vlist->setCurrentRow(index);
    m_vlist->scrollToItem(m_vlist->item(index));
}

QString MainWindow::gridCurrentCellText() const { return m_grid->currentCellText(); }
int MainWindow::gridCurrentColumn() const { return m_grid->currentColumn(); }
int MainWindow::gridCurrentRow() const { return m_grid->currentRow(); }

void MainWindow::setGridTabStop(bool on)
{
    m_grid->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void MainWindow::focusGrid()
{
    m_grid->setFocus(Qt::OtherFocusReason);
}

void MainWindow::refreshGrid()
{
    // The grid follows the record set: after re-reading, its current row is
    // the record set's current record, in the column it was in.
    const int column = qMax(0, m_grid->currentColumn());
    m_grid->recordModel()->refresh();
    const RecordSet* rs = m_grid->recordModel()->recordSet();
    const int row = rs && rs->isOpen() ? rs->absolutePosition() : -1;
    m_grid->setCurrentCell(row, column);
    showVerifiedCount();
}

void MainWindow::gridGoToRow(int row)
{
    m_grid->goToRow(row);
    m_dataobject->updateCaption();
}

void MainWindow::setImageJTimer(bool running)
{
    if (running)
        m_imagejtimer->start();
    else
        m_imagejtimer->stop();
}

}  // namespace k7
