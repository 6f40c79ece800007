#pragma once
// frmHTML: writes blank HTML help templates for every variable, and edits one
// variable's help file as HTML source beside a live preview. What is written
// and where is decided in cfg/HelpFiles and cfg/HelpTemplates; this window
// reads its controls, calls them and shows the result. Unsaved source is
// asked about before it is replaced or the window closes.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;

namespace k7 {

class Dialogs;
struct Model;

class HelpWriterDialog : public QDialog {
    Q_OBJECT
public:
    HelpWriterDialog(Model& model, Dialogs& dialogs, QWidget* parent = nullptr);

    // The variable whose help is in the editor; empty before one is chosen.
    QString selectedVariable() const { return m_selected; }
    bool isChanged() const { return m_changed; }

    // The commands behind the buttons.
    bool saveAndPreview();
    void writeHelpFiles();
    void chooseFile();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void fieldSelected(int index);
    // "Save changes?" when the source has changed: false on Cancel, or when
    // the save that Yes asked for did not happen.
    bool settleChanges();
    // Puts the file into the source box (or leaves it empty) and the preview.
    void showFile(const QString& path);
    void preview(const QString& path);

    Model& m_model;  // edited: a saved help file becomes the variable's Info file
    Dialogs& m_dialogs;
    QComboBox* m_fieldlist = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPlainTextEdit* m_htmltext = nullptr;
    QTextBrowser* m_htmlpreview = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QString m_selected;
    bool m_changed = false;
    // Set while the program itself fills the source box or the field list.
    bool m_filling = false;
};

}  // namespace k7
