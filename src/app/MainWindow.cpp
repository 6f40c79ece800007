#include "app/MainWindow.h"

#include "app/DatabaseBackups.h"
#include "app/ElidedLabel.h"
#include "app/EntryArea.h"
#include "app/RecordMenu.h"
#include "cfg/ServerUri.h"
#include "entry/EntryEngine.h"
#include "grid/DataControl.h"
#include "grid/DataGrid.h"
#include "app/OtherStations.h"
#include "grid/RecordSetModel.h"
#include "instruments/Instruments.h"
#include "platform/Dialogs.h"
#include "properties/PropertiesWindow.h"
#include "settings/ColorNumber.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"
#include "windows/AboutDialog.h"
#include "windows/InfoViewer.h"
#include "windows/ManualWindow.h"
#include "windows/OptionsDialog.h"
#include "windows/StatusDialog.h"
#include "windows/TextEditor.h"

#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace k7 {

namespace {

constexpr double kMinWidthTwips = 6000;
constexpr double kMinHeightTwips = 4000;

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, SoundPlayer& sound, const QString& inipath, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_sound(sound), m_settings(inipath)
{
    setObjectName(QStringLiteral("frmMain"));
    m_engine = std::make_unique<EntryEngine>(m_model, m_store, *this, m_dialogs, m_sound);
    IniLookup lookup = [this](const QString& key) { return m_settings.readKey(key); };
    m_instruments = std::make_unique<Instruments>(m_model, *this, *m_engine, m_dialogs, m_sound, lookup);
    connect(m_instruments.get(), &Instruments::notice, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    m_records = std::make_unique<RecordMenu>(*this, m_dialogs);

    buildRegions();
    m_placement = std::make_unique<WindowPlacement>(*this, *m_inner, *m_outer);
    buildMenus();
    updateTitle();
    setup_desk();
    setMinimumSize(qRound(pixelsFromTwips(kMinWidthTwips, dpiX())),
                   qRound(pixelsFromTwips(kMinHeightTwips, dpiY())));
    resize(1000, 700);
}

MainWindow::~MainWindow()
{
    m_imagejtimer->stop();
    m_otherStations.reset();
    m_grid->recordModel()->setRecordSet(nullptr);
    m_instruments.reset();
    m_store.close();
}

const RecordState& MainWindow::state() const
{
    return m_engine->state();
}

double MainWindow::dpiX() const
{
    return screenDpiX(*this);
}

double MainWindow::dpiY() const
{
    return screenDpiY(*this);
}

void MainWindow::buildRegions()
{
    m_vlist = new QListWidget;
    m_vlist->setObjectName(QStringLiteral("vlist"));
    m_vlist->setFocusPolicy(Qt::ClickFocus);
    connect(m_vlist, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!m_instruments->inputHeld())
            m_engine->variableListClicked(m_vlist->row(item));
    });
    connect(m_vlist, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (!m_instruments->inputHeld())
            m_engine->variableListDoubleClicked(m_vlist->row(item));
    });

    m_entry = new EntryArea;
    m_entry->setKeyHandler([this](Control control, int code) { return entryKey(control, code); });
    connect(m_entry, &EntryArea::nextClicked, this, [this] {
        if (!m_instruments->inputHeld() && !m_instruments->endReadingOnItsWay())
            m_engine->AcceptValue();
    });
    connect(m_entry, &EntryArea::previousClicked, this, [this] {
        if (!m_instruments->inputHeld())
            m_engine->previousvarPressed();
    });
    connect(m_entry, &EntryArea::infoClicked, this, [this](Frame frame) { m_engine->infoButtonClicked(frame); });
    connect(m_entry, &EntryArea::menuSelectionChanged, this, [this] { m_engine->menuListClicked(); });
    connect(m_entry, &EntryArea::menuDoubleClicked, this, [this] { m_engine->menuListDoubleClicked(); });
    connect(m_entry, &EntryArea::areaClicked, this, [this] { m_engine->entryAreaClicked(); });

    m_desktop = new QWidget;
    m_desktop->setObjectName(QStringLiteral("desktop"));
    auto* desktopLayout = new QVBoxLayout(m_desktop);
    desktopLayout->setContentsMargins(0, 0, 0, 0);
    desktopLayout->addWidget(m_entry);

    m_inner = new QSplitter(Qt::Horizontal);
    m_inner->setObjectName(QStringLiteral("varlist_separator"));
    m_inner->setChildrenCollapsible(false);
    m_inner->addWidget(m_vlist);
    m_inner->addWidget(m_desktop);
    m_inner->setStretchFactor(0, 0);
    m_inner->setStretchFactor(1, 1);

    m_grid = new DataGrid;
    // During the ImageJ pause the grid takes no keys or edits either.
    m_grid->setKeyHandler([this](int code) { return m_instruments->inputHeld() || m_engine->gridKey(code); });
    connect(m_grid, &DataGrid::editRequested, this, [this] {
        if (!m_instruments->inputHeld())
            m_engine->startGridEdit(false);
    });
    m_dataobject = new DataControl(m_grid);
    m_otherStations = std::make_unique<OtherStations>(
        m_store, *m_grid,
        OtherStations::Hooks{[this] { return m_engine->state().editing; }, [this] { m_dataobject->updateCaption(); }});
    m_dbinfo = new ElidedLabel;
    m_dbinfo->setObjectName(QStringLiteral("dbinfo"));

    m_databox = new QWidget;
    m_databox->setObjectName(QStringLiteral("databox"));
    auto* dataLayout = new QVBoxLayout(m_databox);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    dataLayout->setSpacing(2);
    dataLayout->addWidget(m_grid, 1);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_dataobject, 0);
    bar->addSpacing(8);
    bar->addWidget(m_dbinfo, 1);
    dataLayout->addLayout(bar);

    m_outer = new QSplitter(Qt::Vertical);
    m_outer->setObjectName(QStringLiteral("data_separator"));
    m_outer->setChildrenCollapsible(false);
    m_outer->addWidget(m_inner);
    m_outer->addWidget(m_databox);
    // A growing window gives its new room to the entry area and the grid;
    // the variable list and the entry area keep the size they were given.
    m_outer->setStretchFactor(0, 0);
    m_outer->setStretchFactor(1, 1);
    setCentralWidget(m_outer);

    // Dragging keeps the bars inside their bounds: the variable list between
    // 10 % and 50 % of the width, the entry area between 20 % of the height
    // and 80 % of the height less 400 twips.
    connect(m_inner, &QSplitter::splitterMoved, this, [this](int pos) {
        const int w = width();
        const int clamped = qBound(qRound(0.1 * w), pos, qRound(0.5 * w));
        if (clamped != pos)
            m_inner->setSizes({clamped, qMax(1, m_inner->width() - clamped - m_inner->handleWidth())});
        center_databoxes();
    });
    connect(m_outer, &QSplitter::splitterMoved, this, [this](int pos) {
        const int h = height();
        const int low = qRound(0.2 * h);
        const int high = qMax(low, qRound(0.8 * (h - pixelsFromTwips(400, dpiY()))));
        const int clamped = qBound(low, pos, high);
        if (clamped != pos)
            m_outer->setSizes({clamped, qMax(1, m_outer->height() - clamped - m_outer->handleWidth())});
        setup_desk();
    });

    m_backups = new DatabaseBackups(m_settings, statusBar(), this);

    m_imagejtimer = new QTimer(this);
    m_imagejtimer->setObjectName(QStringLiteral("imagejtimer"));
    m_imagejtimer->setInterval(500);
    connect(m_imagejtimer, &QTimer::timeout, this, [this] { m_instruments->imageJTick(); });
}

// ---------------------------------------------------------------- start-up

void MainWindow::restoreSettings()
{
    m_settings.load();
    m_recent.load(m_settings);
    updateRecentMenu();

    const auto guard = m_engine->guardLists();
    m_placement->restore(m_settings);
}

void MainWindow::startUp(const QString& cfgFile, bool offerOpen)
{
    restoreSettings();
    setup_desk();
    show();
    // Asks for the keyboard even where no window manager hands it over.
    activateWindow();

    if (!cfgFile.isEmpty()) {
        openChosenFile(cfgFile);
        return;
    }
    const QString last = m_settings.value(IniKey::cfgfile);
    if (!last.isEmpty() && QFileInfo(last).isFile()) {
        m_model.cfgpath = last;
        if (m_dialogs.message(QStringLiteral("Continue with ") + last, Style::YesNo + Style::Information) ==
            Answer::Yes)
            runOpenSequence();
        else
            m_model.cfgpath.clear();
    }
    if (m_model.cfgpath.isEmpty() && last.isEmpty() && m_recent.count() == 0 && openExampleCopy())
        return;
    if (m_model.cfgpath.isEmpty() && offerOpen)
        fileOpen();
    updateTitle();
}

// ------------------------------------------------------------------ closing

void MainWindow::fileExit()
{
    IniValues values;
    for (int n = 1; n <= m_recent.count(); ++n)
        values.append({recentFileKey(n), m_recent.paths().at(n - 1)});
    values.append(m_placement->current());
    writeSettings(values);
    close();
}

void MainWindow::saveClosingKeys()
{
    if (m_closingSaved)
        return;
    m_closingSaved = true;
    const IniValues values = {{IniKey::cfgfile, m_model.cfgpath},
                              {IniKey::showdata, QStringLiteral("False")},
                              {IniKey::varlist, QStringLiteral("False")}};
    writeSettings(values);
}

void MainWindow::writeSettings(const IniValues& values)
{
    if (m_settings.write(values) || m_settingsFailureShown)
        return;
    m_settingsFailureShown = true;
    m_dialogs.message(QStringLiteral("The settings could not be written to ") + m_settings.path() +
                          QStringLiteral(".  The window's place and the recent files will not be remembered."),
                      Style::Exclamation);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Unsaved text in the editor is asked about before anything closes.
    if (m_editor && m_editor->isVisible() && !m_editor->close()) {
        event->ignore();
        return;
    }
    // A record that could not be journalled would be gone for good.
    if (m_engine->recordInProgressUnprotected()
        && m_dialogs.message(QStringLiteral("The record in progress is not saved, and it could not be kept for the "
                                            "next start either: its values will be lost.  Exit anyway?"),
                             Style::YesNo + Style::Exclamation + Style::DefaultButton2)
               != Answer::Yes) {
        event->ignore();
        return;
    }
    saveClosingKeys();
    m_imagejtimer->stop();
    event->accept();
}

// ------------------------------------------------------------------- layout

double MainWindow::verticalSeparatorTwips() const
{
    return m_placement->verticalSeparatorTwips();
}

double MainWindow::horizontalSeparatorTwips() const
{
    return m_placement->horizontalSeparatorTwips();
}

void MainWindow::setup_desk()
{
    if (isMinimized())
        return;
    // A bar beyond the window's edge goes to the middle.
    const QList<int> inner = m_inner->sizes();
    if (!inner.isEmpty() && isVisible() && inner.first() > width())
        m_inner->setSizes({width() / 2, width() - width() / 2});
    const QList<int> outer = m_outer->sizes();
    if (!outer.isEmpty() && isVisible() && outer.first() > height())
        m_outer->setSizes({height() / 2, height() - height() / 2});
    m_dbinfo->setFullText(dbinfoText());
    const bool open = !m_store.dbname().isEmpty() && !m_store.tablename().isEmpty();
    m_grid->setVisible(open);
    m_dataobject->setVisible(open);
    position_dbinfo();
    center_databoxes();
}

void MainWindow::center_databoxes()
{
    m_entry->center_databoxes();
}

void MainWindow::position_dbinfo()
{
    // The label sits beside the data control in the bar's layout and
    // shortens a long line to the room it has.
    m_dbinfo->updateGeometry();
}

QString MainWindow::dbinfoText() const
{
    if (!m_store.dbname().isEmpty() && !m_store.tablename().isEmpty())
        return QStringLiteral("Database: ") + DatabaseNameForDisplay(m_store.dbname()) + QStringLiteral(", Table: ")
            + m_store.tablename();
    return QStringLiteral("Database: None, Table: None");
}

void MainWindow::setfocusforentry()
{
    m_engine->entryAreaClicked();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (!state().listguard)
        setup_desk();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized() && !state().listguard)
        setup_desk();
}

void MainWindow::updateTitle()
{
    setWindowTitle(m_model.cfgpath.isEmpty() ? QStringLiteral("K7") : QStringLiteral("K7 - ") + m_model.cfgpath);
    showVerifyMode();
}

void MainWindow::updateRecentMenu()
{
    for (int i = 0; i < RecentFiles::kCount; ++i) {
        QAction* entry = m_menufile[i];
        const bool used = i < m_recent.count();
        entry->setText(used ? m_recent.caption(i + 1) : QString());
        entry->setVisible(used);
    }
}

// ------------------------------------------------------------ view and help

TextEditor* MainWindow::editor()
{
    if (!m_editor) {
        m_editor = new TextEditor(m_dialogs, this);
        m_editor->setWindowFlag(Qt::Window, true);
        connect(m_editor, &TextEditor::closed, this, [this] { m_outer->show(); });
    }
    return m_editor;
}

void MainWindow::viewCfgFile()
{
    // Another file never replaces unsaved text without asking.
    if (m_editor && !m_editor->askToSaveChanges())
        return;
    QString path = m_model.cfgpath;
    if (path.isEmpty())
        path = m_dialogs.openFileName(QStringLiteral("CFG File"), QStringLiteral("CFG files (*.cfg)"), QString());
    if (path.isEmpty())
        return;
    editor()->loadFile(path);
    showEditor();
}

void MainWindow::viewIniFile()
{
    if (m_editor && !m_editor->askToSaveChanges())
        return;
    editor()->loadFile(m_settings.path());
    showEditor();
}

void MainWindow::showEditor()
{
    // The editor stands in for the entry region until it is closed.
    m_outer->hide();
    TextEditor* ed = editor();
    ed->show();
    ed->raise();
}

void MainWindow::viewOptions()
{
    if (m_model.cfgpath.isEmpty())
        m_dialogs.message(QStringLiteral("These options are stored in the CFG file. Until you open a CFG the "
                                         "options will not be saved."),
                          Style::Information);
    else if (m_model.cfgunconverted)
        m_dialogs.message(QStringLiteral("This CFG file is in the older format and is kept as it is, so these "
                                         "options will not be saved in it."),
                          Style::Information);
    OptionsDialog dialog(m_model, m_dialogs, this);
    connect(&dialog, &OptionsDialog::entryColorChanged, this, [this](long c) { setBackgroundColor(c); });
    connect(&dialog, &OptionsDialog::outerColorChanged, this, &MainWindow::applyOuterColor);
    dialog.exec();
}

void MainWindow::applyOuterColor(long color)
{
    const QColor c = colorFromNumber(color);
    for (QWidget* w : {static_cast<QWidget*>(m_vlist), static_cast<QWidget*>(m_grid)}) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Base, c);
        w->setPalette(palette);
    }
}

void MainWindow::helpStatus()
{
    StatusFacts facts;
    facts.dbname = DatabaseNameForDisplay(m_store.dbname());
    facts.tablename = m_store.tablename();
    if (m_store.currentrs().isOpen())
        facts.recordCount = m_store.currentrs().recordCount();
    facts.cfgpath = m_model.cfgpath;
    facts.inipath = m_settings.path();
    if (m_store.currentrs().isOpen())
        facts.verified = VerifiedRows(m_store.currentdb()).tally(m_store.tablename());
    for (int v = 1; v <= m_model.varcount; ++v)
        facts.variables << m_model.var(v).varname;
    StatusDialog dialog(facts, this);
    dialog.exec();
}

void MainWindow::helpAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void MainWindow::showInfoFile(const QString& path)
{
    InfoViewer viewer(m_settings, this);
    viewer.loadFile(path);
    if (viewer.exec() == QDialog::Accepted)
        setfocusforentry();
}

void MainWindow::openProperties(int variable)
{
    const auto present = [this] {
        setGridTabStop(true);
        m_engine->ShowVariable(state().curvar);
    };
    PropertiesWindow::open({m_model, m_store, m_dialogs, *this, *m_engine, m_settings,
                            [this](const QString& path) { showInfoFile(path); },
                            [this] { showManual(ManualPlace::PropertiesEditor); }},
                           this, variable, present);
}

// --------------------------------------------------------------- ShellHooks

bool MainWindow::loadCfgInEditor(const QString& path)
{
    if (m_editor && !m_editor->askToSaveChanges())
        return false;
    TextEditor* ed = editor();
    ed->loadFile(path, TextEditor::Missing::Error);
    return ed->text() != QLatin1String("error");
}

void MainWindow::showEditorAtLine(int line)
{
    editor()->selectLine(line);
    showEditor();
}

void MainWindow::addRecentFile(const QString& path)
{
    m_recent.add(path);
    updateRecentMenu();
}

void MainWindow::openInstrumentPort()
{
    m_instruments->openPort();
}

void MainWindow::setDataSource(RecordSet* recordSet)
{
    m_backups->follow(recordSet ? m_store.dbname() : QString());
    for (const char* tool : {"datafind", "sortdatagrid", "filterdatagrid", "dataunverified"})
        if (QAction* action = findChild<QAction*>(QLatin1String(tool)))
            action->setEnabled(recordSet != nullptr);
    m_grid->recordModel()->setRecordSet(recordSet);
    if (m_otherStations)
        m_otherStations->follow();
    if (QAction* unverified = findChild<QAction*>(QStringLiteral("dataunverified")))
        unverified->setChecked(recordSet && recordSet->view().unverifiedOnly);
    showVerifiedCount();
}

}  // namespace k7
