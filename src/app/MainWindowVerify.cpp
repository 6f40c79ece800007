// Verify mode in the main window: the menu items, the caption and status
// line that say the mode is on, and the record counter's verified rows.
#include "app/MainWindow.h"

#include "entry/EntryEngine.h"
#include "grid/DataControl.h"
#include "store/VerifiedRows.h"
#include "workflows/GridFilter.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>

namespace k7 {

void MainWindow::toggleVerify()
{
    if (m_engine->verifying())
        m_engine->endVerify();
    else
        static_cast<void>(m_engine->startVerify());
    updateTitle();
    showVerifiedCount();
}

void MainWindow::toggleUnverifiedOnly(bool on)
{
    if (!ShowUnverifiedOnly(m_store, on, m_dialogs, *this)) {
        if (QAction* item = findChild<QAction*>(QStringLiteral("dataunverified")))
            item->setChecked(m_store.currentrs().view().unverifiedOnly);
    }
}

// Called by updateTitle, after the caption is set.
void MainWindow::showVerifyMode()
{
    const bool on = m_engine && m_engine->verifying();
    if (on)
        setWindowTitle(windowTitle() + QStringLiteral(" [Verify mode]"));
    if (!m_verifyNote) {
        m_verifyNote = new QLabel(QStringLiteral("Verify mode: type each record again, its ID first"), this);
        m_verifyNote->setObjectName(QStringLiteral("verifynote"));
        statusBar()->addPermanentWidget(m_verifyNote);
    }
    m_verifyNote->setVisible(on);
    if (QAction* item = findChild<QAction*>(QStringLiteral("fileverify")))
        item->setChecked(on);
}

// Shown once a row of the table has been verified, or while verifying; a
// count that cannot be read leaves it out.
void MainWindow::showVerifiedCount()
{
    std::optional<qint64> verified;
    if (m_store.currentrs().isOpen())
        verified = VerifiedRows(m_store.currentdb()).countVerified(m_store.tablename());
    const bool shown = verified && (*verified > 0 || (m_engine && m_engine->verifying()));
    m_dataobject->setVerifiedCount(shown ? verified : std::nullopt);
}

}  // namespace k7
