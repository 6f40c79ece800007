#pragma once
// frmMain: the variable list, the entry area, the grid with its record
// counter and database line, the menus, and the commands behind them. The
// window is a thin shell: it shows what the entry engine and the open
// sequence tell it (EntryView, ShellHooks) and forwards keys and clicks.

#include "app/RecentFiles.h"
#include "cfg/Model.h"
#include "entry/RecordState.h"
#include "grid/GridTools.h"
#include "platform/EntryView.h"
#include "platform/ShellHooks.h"
#include "settings/IniSettings.h"
#include "store/DataStore.h"
#include "workflows/ExampleCopy.h"

#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>

#include <memory>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QTimer;

namespace k7 {

class DataControl;
class DatabaseBackups;
class ElidedLabel;
class OtherStations;
class DataGrid;
class Dialogs;
class EntryArea;
class EntryEngine;
class ManualWindow;
class Instruments;
class RecordMenu;
class TextEditor;
class WindowPlacement;

class MainWindow : public QMainWindow, public EntryView, public ShellHooks {
    Q_OBJECT
public:
    MainWindow(Dialogs& dialogs, SoundPlayer& sound, const QString& inipath, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up after the splash: restores the window from k7.ini, shows it,
    // and opens `cfgFile` (the command line) or offers the last CFG; on the
    // first start of an installed K7 it offers a copy of the example, and
    // otherwise falls back to File > Open. With `offerOpen` false the open dialog is not
    // offered when nothing was opened.
    void startUp(const QString& cfgFile = QString(), bool offerOpen = true);
    // Applies k7.ini (recent files, state, rectangle, splitters).
    void restoreSettings();
    // The example that the first start offers to copy, and where to; by
    // default this program's installed example and the documents folder.
    void setExampleCopySource(ExampleCopySource source) { m_exampleSource = std::move(source); }

    // Layout.
    void setup_desk();
    void center_databoxes();
    void position_dbinfo();
    void setfocusforentry();

    // Menu commands.
    void fileNew();
    void fileOpen();
    void openRecent(int n);  // 1-based
    void fileExit();
    void viewCfgFile();
    void viewIniFile();
    void viewOptions();
    void helpStatus();
    void helpAbout();
    // Help > K7 Manual (F1): the manual at the section of what the operator
    // is doing; the one manual window is raised when it is open.
    void helpManual();
    // The manual at `place` (see ManualPlace), or a message when it is missing.
    void showManual(const QString& place);
    // The manual window when it has been opened, for tests.
    ManualWindow* manualWindow() const;
    // File > Verify Records: turns verify mode on or off.
    void toggleVerify();
    // Data > Show only records not yet verified.
    void toggleUnverifiedOnly(bool on);

    // Opens the CFG at `path` as File > Open does for a CFG.
    void openCfgFile(const QString& path);

    // State, for the windows around this one and for tests.
    const Model& model() const { return m_model; }
    // The model for editing: the tests set up their cases through it.
    Model& model() { return m_model; }
    DataStore& store() { return m_store; }
    const RecordState& state() const;
    EntryEngine& engine() { return *m_engine; }
    const RecentFiles& recentFiles() const { return m_recent; }
    IniSettings& settings() { return m_settings; }
    TextEditor* editor();
    EntryArea* entryArea() const { return m_entry; }
    DataGrid* grid() const { return m_grid; }
    DataControl* dataControl() const { return m_dataobject; }
    GridTools gridTools() { return {m_model, m_store, m_dialogs, *this, *m_grid}; }
    QString dbinfoText() const;
    // Splitter positions in twips (vertical: left edge; horizontal: top).
    double verticalSeparatorTwips() const;
    double horizontalSeparatorTwips() const;

    // --- EntryView ---
    void showFrame(Frame frame) override;
    void setFrameCaption(Frame frame, const QString& caption, int fontSize) override;
    void setPrompt(Frame frame, const QString& prompt) override;
    long backgroundColor() const override;
    void setBackgroundColor(long color) override;
    QString boxText(Control box) const override;
    void setBoxText(Control box, const QString& text) override;
    void setBoxMaxLength(Control box, int length) override;
    void selectBoxText(Control box, int start, int length) override;
    void setFocus(Control control) override;
    int menuListWidthTwips() const override;
    void setMenuItems(const QStringList& items, int columns) override;
    void selectMenuItem(int index) override;
    int selectedMenuItem() const override;
    QString selectedMenuText() const override;
    void setHelp(Frame frame, const QString& url) override;
    void setInfoButton(Frame frame, bool visible, const QString& tag) override;
    QString infoButtonTag(Frame frame) const override;
    void setEntryButtons(const QString& previousCaption, const QString& nextCaption,
                         const QString& kindTag) override;
    QString kindTag() const override;
    void setVariableList(const QStringList& names) override;
    void selectVariable(int index) override;
    QString gridCurrentCellText() const override;
    int gridCurrentColumn() const override;
    int gridCurrentRow() const override;
    void setGridTabStop(bool on) override;
    void focusGrid() override;
    void refreshGrid() override;
    void gridGoToRow(int row) override;
    void setImageJTimer(bool running) override;
    void showInfoFile(const QString& path) override;
    void openProperties(int variable) override;
    void showStatus(const QString& text) override { statusBar()->showMessage(text); }

    // --- ShellHooks ---
    bool loadCfgInEditor(const QString& path) override;
    void showEditorAtLine(int line) override;
    void addRecentFile(const QString& path) override;
    void openInstrumentPort() override;
    void setDataSource(RecordSet* recordSet) override;
    QString accessReaderProgram() const override { return m_accessReaderProgram; }
    // The k7 program that reads Access files; by default the one beside this.
    void setAccessReaderProgram(const QString& program) { m_accessReaderProgram = program; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    // The manual's section for the control that has the keyboard.
    QString manualPlaceHere() const;
    void buildRegions();
    void updateRecentMenu();
    void updateTitle();
    // The caption, the status line's note and the menu item follow verify mode.
    void showVerifyMode();
    // The record counter's count of verified rows.
    void showVerifiedCount();
    // Hides the entry region and brings the editor forward.
    void showEditor();
    // The open sequence of File > Open and New CFG: OpenCfg, the table check
    // and repair, the model's preparation, then the grid, the database line
    // and the first record.
    void runOpenSequence();
    void openDatabaseFile(const QString& path);
    // A file chosen for File > Open or given on the command line: a CFG, a
    // database, or refused.
    void openChosenFile(const QString& path);
    // The first start (no CFG named, none used before): offers a copy of the
    // installed example and opens it. True when a copy was opened.
    bool openExampleCopy();
    // Writes k7.ini; a failure is told once per session.
    void writeSettings(const IniValues& values);
    void saveClosingKeys();
    bool entryKey(Control control, int code);
    void applyOuterColor(long color);
    double dpiX() const;
    double dpiY() const;

    Dialogs& m_dialogs;
    QString m_accessReaderProgram;
    SoundPlayer& m_sound;
    IniSettings m_settings;
    RecentFiles m_recent;
    ExampleCopySource m_exampleSource = DefaultExampleCopySource();

    Model m_model;
    DataStore m_store;
    std::unique_ptr<EntryEngine> m_engine;
    std::unique_ptr<Instruments> m_instruments;
    std::unique_ptr<OtherStations> m_otherStations;
    std::unique_ptr<RecordMenu> m_records;
    std::unique_ptr<WindowPlacement> m_placement;

    QSplitter* m_outer = nullptr;  // entry region above, grid region below
    QSplitter* m_inner = nullptr;  // variable list left, entry area right
    QWidget* m_desktop = nullptr;
    QWidget* m_databox = nullptr;
    QListWidget* m_vlist = nullptr;
    EntryArea* m_entry = nullptr;
    DataGrid* m_grid = nullptr;
    DataControl* m_dataobject = nullptr;
    DatabaseBackups* m_backups = nullptr;
    ElidedLabel* m_dbinfo = nullptr;
    QTimer* m_imagejtimer = nullptr;
    QPointer<TextEditor> m_editor;
    QPointer<ManualWindow> m_manual;

    QList<QAction*> m_menufile;
    QAction* m_recentSeparator = nullptr;
    QLabel* m_verifyNote = nullptr;
    bool m_closingSaved = false;
    bool m_settingsFailureShown = false;
};

}  // namespace k7
