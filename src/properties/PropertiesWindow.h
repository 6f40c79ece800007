#pragma once
// frmProperties: edits the definition of one variable at a time while a CFG
// is open. Simple edits go straight into the model; a new name or Length
// reaches the data table (and the CFG) when its box loses the focus; moving
// to another variable or "Save and Exit" writes the CFG when anything changed.
// The window reads its controls and calls FieldEdits for everything else.

#include "properties/FieldEdits.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace k7 {

class IniSettings;
class EntryEngine;

struct PropertiesServices {
    Model& model;  // edited: the properties editor changes the variables
    DataStore& store;
    Dialogs& dialogs;
    ShellHooks& shell;
    EntryEngine& engine;  // the record in progress; its lists are guarded while the controls are filled
    IniSettings& settings;
    std::function<void(const QString&)> showInfoFile;  // the info window, modal
    std::function<void()> showManual;                  // the manual at the CFG format's properties section
};

class PropertiesWindow : public QDialog {
    Q_OBJECT
public:
    PropertiesWindow(const PropertiesServices& services, QWidget* parent = nullptr);

    // Fills every control from variable `v` of the model.
    void FillProperties(int v);
    int variable() const { return m_v; }
    bool dirty() const { return m_dirty; }

    // Opens the editor modally on `variable` (the main window's commands):
    // refused with a message when no data table is open; a grid-cell edit in
    // progress is abandoned first. `present` shows the current variable again
    // after the window closes.
    static void open(const PropertiesServices& services, QWidget* parent, int variable,
                     const std::function<void()>& present);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every way of closing comes here: the table changes still pending are
    // made first (a refused value keeps the window open), then the position
    // is stored.
    void done(int result) override;

private:
    void buildForm();
    QWidget* buildTopFields();
    QGroupBox* buildOptionsFrame();
    QGroupBox* buildHelpFrame();
    QGroupBox* buildConditionsFrame();
    QWidget* buildMenuFrame();
    QGroupBox* buildLookupFrame();
    QWidget* buildButtons();
    void setVisualTabOrder();
    void connectEdits();

    Variable& var() { return m_s.model.var(m_v); }
    void edited() { m_dirty = true; }
    bool filling() const;
    void fillType();
    void fillLength();
    void fillMenu();
    void fillLookup();
    void typeChosen(int index);

    bool commitTableChanges();
    bool commitName();
    bool commitLength();
    void moveTo(int step);
    void saveAndExit();

    void addTypedItem();
    void removeMenuItem(QListWidgetItem* item);
    void moveSelectedItem(int step);
    QStringList menuItems() const;
    void setMenuItems(const QStringList& items);
    void convertToMenu();
    void rebuildMenu();
    void takeValuesFromData();

    void browseFile(QLineEdit* box, const QString& filter);
    void chooseLookupDatabase();
    void lookupTableChosen(const QString& table);
    void modifyConditions();

    void restorePosition();
    void storePosition();

    PropertiesServices m_s;
    PropertiesContext m_ctx;
    int m_v = 0;
    bool m_dirty = false;
    bool m_committing = false;
    // Typed into since the variable was filled or the change was made.
    bool m_nameTyped = false;
    bool m_lengthTyped = false;
    QString m_fieldName;  // the variable's field in the data table

    QLineEdit* m_vno = nullptr;
    QLineEdit* m_vname = nullptr;
    QComboBox* m_vtype = nullptr;
    QLineEdit* m_vprompt = nullptr;
    QLineEdit* m_vlength = nullptr;
    QLineEdit* m_vsoundin = nullptr;
    QLineEdit* m_vsoundout = nullptr;
    QCheckBox* m_vcarry = nullptr;
    QCheckBox* m_vautoincrement = nullptr;
    QCheckBox* m_vunique = nullptr;
    QCheckBox* m_vskip = nullptr;
    QLineEdit* m_vhelp = nullptr;
    QLineEdit* m_vcondition = nullptr;
    QGroupBox* m_menuFrame = nullptr;
    QListWidget* m_vmenu = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_rebuild = nullptr;
    QPushButton* m_cnvtomenu = nullptr;
    QLineEdit* m_vdbname = nullptr;
    QComboBox* m_vtblist = nullptr;
    QComboBox* m_vfieldname = nullptr;
};

}  // namespace k7
