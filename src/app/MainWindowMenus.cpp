// The main window's menus: each item wired to its command.
#include "app/MainWindow.h"

#include "app/RecordMenu.h"
#include "entry/EntryKeys.h"
#include "grid/FilterDialog.h"
#include "grid/FindDialog.h"
#include "grid/SortDialog.h"
#include "instruments/Instruments.h"
#include "windows/AuditTrailDialog.h"
#include "windows/HelpWriterDialog.h"
#include "windows/KeysDialog.h"
#include "workflows/CompareCommand.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>

namespace k7 {

void MainWindow::buildMenus()
{
    auto add = [this](QMenu* menu, const QString& caption, const QString& name, auto slot) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    add(file, QStringLiteral("&New CFG"), QStringLiteral("filenew"), [this] { fileNew(); });
    add(file, QStringLiteral("&Open"), QStringLiteral("fileopen"), [this] { fileOpen(); });
    add(file, QStringLiteral("&Reconnect instrument"), QStringLiteral("filereconnect"),
        [this] { m_instruments->reconnect(); });
    add(file, QStringLiteral("&Verify Records"), QStringLiteral("fileverify"), [this] { toggleVerify(); })
        ->setCheckable(true);
    file->addSeparator();
    add(file, QStringLiteral("&Export ASCII"), QStringLiteral("fileexport"), [this] { m_records->exportAscii(); });
    add(file, QStringLiteral("Export &codebook"), QStringLiteral("filecodebook"),
        [this] { m_records->exportCodebook(); });
    add(file, QStringLiteral("Compare &with Another Database"), QStringLiteral("filecompare"),
        [this] { CompareWithAnotherDatabase(m_model, m_store, m_dialogs); });
    m_recentSeparator = file->addSeparator();
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        QAction* entry = file->addAction(QString());
        entry->setObjectName(QStringLiteral("menufile%1").arg(i));
        entry->setVisible(false);
        connect(entry, &QAction::triggered, this, [this, i] { openRecent(i + 1); });
        m_menufile << entry;
    }
    file->addSeparator();
    add(file, QStringLiteral("E&xit"), QStringLiteral("fileexit"), [this] { fileExit(); });

    QMenu* dataMenu = menuBar()->addMenu(QStringLiteral("&Data"));
    dataMenu->setObjectName(QStringLiteral("menuData"));
    add(dataMenu, QStringLiteral("&Find entry in data grid"), QStringLiteral("datafind"),
        [this] { FindDialog(gridTools(), this).exec(); })->setEnabled(false);
    dataMenu->addSeparator();
    add(dataMenu, QStringLiteral("&Sort data grid"), QStringLiteral("sortdatagrid"),
        [this] { SortDialog(gridTools(), this).exec(); })->setEnabled(false);
    add(dataMenu, QStringLiteral("F&ilter data grid"), QStringLiteral("filterdatagrid"),
        [this] { FilterDialog(gridTools(), this).exec(); })->setEnabled(false);
    QAction* unverified = add(dataMenu, QStringLiteral("Show only records not &yet verified"),
                              QStringLiteral("dataunverified"), [this](bool on) { toggleUnverifiedOnly(on); });
    unverified->setCheckable(true);
    unverified->setEnabled(false);
    dataMenu->addSeparator();
    add(dataMenu, QStringLiteral("Delete &last entry"), QStringLiteral("datadeletelast"),
        [this] { m_records->deleteLastEntry(); });
    add(dataMenu, QStringLiteral("Delete s&elected entries"), QStringLiteral("deleterows"),
        [this] { m_records->deleteSelectedEntries(); });
    add(dataMenu, QStringLiteral("Delete &all entries"), QStringLiteral("datadeleteall"),
        [this] { m_records->deleteAllEntries(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    add(view, QStringLiteral("&Field Properties"), QStringLiteral("viewproperties"),
        [this] { openProperties(m_vlist->currentRow() + 1); });
    add(view, QStringLiteral("&Write/Edit HTML Help Files"), QStringLiteral("writehtml"), [this] {
        HelpWriterDialog(m_model, m_dialogs, this).exec();
    });
    add(view, QStringLiteral("&CFG File"), QStringLiteral("viewcfgfile"), [this] { viewCfgFile(); });
    add(view, QStringLiteral("K7 &INI File"), QStringLiteral("viewinifile"), [this] { viewIniFile(); });
    add(view, QStringLiteral("&Options"), QStringLiteral("mnuoptions"), [this] { viewOptions(); });
    add(view, QStringLiteral("&Audit Trail"), QStringLiteral("viewaudit"),
        [this] { AuditTrailDialog(m_store.currentdb(), this).exec(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    add(help, QStringLiteral("K7 &Manual"), QStringLiteral("helpmanual"), [this] { helpManual(); })
        ->setShortcut(QKeySequence(KeyOf(KeyAction::OpenManual)));
    add(help, QStringLiteral("&Keys"), QStringLiteral("helpkeys"), [this] { KeysDialog(this).exec(); });
    add(help, QStringLiteral("&Status"), QStringLiteral("helpstatus"), [this] { helpStatus(); });
    add(help, QStringLiteral("&About K7"), QStringLiteral("helpabout"), [this] { helpAbout(); });
}

}  // namespace k7
