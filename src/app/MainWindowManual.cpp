// Help > K7 Manual: one manual window, opened where the operator is working.
#include "app/MainWindow.h"

#include "app/EntryArea.h"
#include "grid/DataGrid.h"
#include "platform/Dialogs.h"
#include "windows/ManualWindow.h"
#include "windows/TextEditor.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>

namespace k7 {

void MainWindow::helpManual()
{
    showManual(manualPlaceHere());
}

ManualWindow* MainWindow::manualWindow() const
{
    return m_manual;
}

QString MainWindow::manualPlaceHere() const
{
    const QWidget* focus = QApplication::focusWidget();
    const auto within = [focus](const QWidget* region) {
        return focus && region && (region == focus || region->isAncestorOf(focus));
    };
    if (within(m_grid))
        return ManualPlace::Grid;
    if (within(m_editor))
        return ManualPlace::CfgFormat;
    if (within(m_entry) || within(m_vlist))
        return ManualPlace::TypingARecord;
    return ManualPlace::Contents;
}

void MainWindow::showManual(const QString& place)
{
    const QString folder = ManualFolder();
    if (folder.isEmpty()) {
        m_dialogs.message(ManualMissingText(), 64);
        return;
    }
    // A modal window (the properties editor) blocks every window but its
    // own, so the manual goes with it while it is open and comes back after.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = this;
    if (!m_manual)
        m_manual = new ManualWindow(folder, owner);
    else if (m_manual->parentWidget() != owner)
        m_manual->setParent(owner, Qt::Window);
    if (auto* dialog = qobject_cast<QDialog*>(owner)) {
        connect(dialog, &QDialog::finished, m_manual, [this] {
            const bool shown = m_manual->isVisible();
            m_manual->setParent(this, Qt::Window);
            m_manual->setVisible(shown);
        });
    }
    m_manual->showPlace(place);
}

}  // namespace k7
