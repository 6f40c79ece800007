#pragma once
// frmOptions: Sound, Re-edit, Emptyonly and the two background colours. The
// switches change the model's options at once and are written to the open
// CFG on "Ok"; a chosen colour is written at once. Without an open CFG
// nothing reaches the disk.

#include "cfg/ProfileFile.h"

#include <QDialog>

class QCheckBox;
class QFrame;

namespace k7 {

struct Model;
class Dialogs;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Model& model, Dialogs& dialogs, QWidget* parent = nullptr);

    // Colour box 0 (data entry area) or 1 (variable list and grid): asks for a
    // colour and applies it, as a double click on the box does.
    void chooseColor(int box);

signals:
    void entryColorChanged(long color);
    void outerColorChanged(long color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSwitch(int slot, bool on);
    void writeOptions();
    // Whether the choices go into the CFG: one must be open, and an old-format
    // file the operator chose to keep is never written to.
    bool savesToCfg() const;
    // Writes `keys` into the CFG's [K7] section when it takes them; a failed
    // write is reported to the operator.
    void writeToCfg(const KeyTable& keys);
    void paintBox(int box, long color);

    Model& m_model;  // edited: the options
    Dialogs& m_dialogs;
    QCheckBox* m_check1 = nullptr;
    QCheckBox* m_check2 = nullptr;
    QCheckBox* m_check3 = nullptr;
    QFrame* m_box[2] = {nullptr, nullptr};
    long m_outerColor = 16777215;
};

}  // namespace k7
