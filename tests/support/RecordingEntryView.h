#pragma once
// An EntryView and SoundPlayer double for tests: it keeps what the engine
// presents (frame, box texts and selections, menu, captions, Tags,
// focus, help targets, sounds) and lets a test act as the operator: type into
// a box, pick a menu item, press a key in the focused control. The grid's
// current cell is whatever the test sets.

#include "platform/EntryView.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {
class EntryEngine;
}

namespace k7::test {

class RecordingEntryView : public EntryView, public SoundPlayer {
public:
    // --- what was presented ---
    std::optional<Frame> frame() const { return m_frame; }
    int framesShown() const { return m_framesShown; }
    QString caption(Frame f) const { return m_captions.value(f); }
    QString frameCaption() const { return m_frame ? caption(*m_frame) : QString(); }
    QString text(Control c) const { return m_boxText.value(c); }
    int maxLength(Control c) const { return m_maxLength.value(c); }
    bool wholeTextSelected(Control c) const { return m_selection.value(c) == qMakePair(0, int(text(c).size())); }
    std::optional<Control> focus() const { return m_focus; }
    bool gridHasFocus() const { return m_gridFocus; }
    int menuColumns() const { return m_menuColumns; }
    QString help(Frame f) const { return m_help.value(f); }
    bool gridTabStop() const { return m_gridTabStop; }
    bool imageJTimerRunning() const { return m_imageJTimer; }
    QStringList infoFilesShown() const { return m_infoFiles; }
    QList<int> propertiesOpened() const { return m_properties; }
    QStringList wavesPlayed() const { return m_waves; }
    int beeps() const { return m_beeps; }
    QStringList statuses() const { return m_statuses; }

    // --- acting as the operator ---
    // Types `text` as a line edit takes it: over the selection, else at the
    // cursor (the end of the box, where the program leaves it).
    void type(Control box, const QString& text)
    {
        const auto [start, length] = m_selection.value(box, {int(boxText(box).size()), 0});
        m_boxText[box] = boxText(box).replace(start, length, text);
        m_selection[box] = {int(start + text.size()), 0};
    }
    // Presses a key in the control that has the focus, through the engine's
    // handler for that control; returns whether the engine consumed it.
    bool press(EntryEngine& engine, int code);
    // Types `text` into the presented box and presses Enter.
    void enter(EntryEngine& engine, const QString& text);
    // Selects the menu item with this text and presses Enter.
    void choose(EntryEngine& engine, const QString& item);
    void setGridCell(int row, int column, const QString& text)
    {
        m_gridRow = row;
        m_gridColumn = column;
        m_gridCell = text;
    }
    void setMenuListWidthTwips(int twips) { m_menuWidth = twips; }

    // --- EntryView ---
    void showFrame(Frame frame) override
    {
        m_frame = frame;
        ++m_framesShown;
    }
    void setFrameCaption(Frame frame, const QString& caption, int) override { m_captions[frame] = caption; }
    void setPrompt(Frame, const QString&) override {}
    long backgroundColor() const override { return m_background; }
    void setBackgroundColor(long color) override { m_background = color; }
    QString boxText(Control box) const override { return m_boxText.value(box); }
    // Like a line edit, new text or a new length leaves the cursor at the end
    // and nothing selected.
    void setBoxText(Control box, const QString& text) override
    {
        m_boxText[box] = text;
        m_selection[box] = {int(text.size()), 0};
    }
    void setBoxMaxLength(Control box, int length) override
    {
        m_maxLength[box] = length;
        m_selection[box] = {int(boxText(box).size()), 0};
    }
    void selectBoxText(Control box, int start, int length) override { m_selection[box] = {start, length}; }
    void setFocus(Control control) override
    {
        m_focus = control;
        m_gridFocus = false;
    }
    int menuListWidthTwips() const override { return m_menuWidth; }
    void setMenuItems(const QStringList& items, int columns) override
    {
        m_menuItems = items;
        m_menuColumns = columns;
        m_menuSelected = -1;
    }
    void selectMenuItem(int index) override { m_menuSelected = index; }
    int selectedMenuItem() const override { return m_menuSelected; }
    QString selectedMenuText() const override { return m_menuItems.value(m_menuSelected); }
    void setHelp(Frame frame, const QString& url) override { m_help[frame] = url; }
    void setInfoButton(Frame frame, bool, const QString& tag) override { m_infoTags[frame] = tag; }
    QString infoButtonTag(Frame frame) const override { return m_infoTags.value(frame); }
    void setEntryButtons(const QString&, const QString&, const QString& kindTag) override { m_kindTag = kindTag; }
    QString kindTag() const override { return m_kindTag; }
    void setVariableList(const QStringList&) override {}
    void selectVariable(int) override {}
    QString gridCurrentCellText() const override { return m_gridCell; }
    int gridCurrentColumn() const override { return m_gridColumn; }
    int gridCurrentRow() const override { return m_gridRow; }
    void setGridTabStop(bool on) override { m_gridTabStop = on; }
    void focusGrid() override
    {
        m_gridFocus = true;
        m_focus.reset();
    }
    void refreshGrid() override {}
    void gridGoToRow(int) override {}
    void setImageJTimer(bool running) override { m_imageJTimer = running; }
    void showInfoFile(const QString& path) override { m_infoFiles << path; }
    void openProperties(int variable) override { m_properties << variable; }
    void showStatus(const QString& text) override { m_statuses << text; }

    // --- SoundPlayer ---
    void playWave(const QString& path) override { m_waves << path; }
    void beep() override { ++m_beeps; }

private:
    std::optional<Frame> m_frame;
    int m_framesShown = 0;
    QMap<Frame, QString> m_captions;
    long m_background = 16777215;
    QMap<Control, QString> m_boxText;
    QMap<Control, int> m_maxLength;
    QMap<Control, QPair<int, int>> m_selection;
    std::optional<Control> m_focus;
    bool m_gridFocus = false;
    int m_menuWidth = 4000;
    QStringList m_menuItems;
    int m_menuColumns = 0;
    int m_menuSelected = -1;
    QMap<Frame, QString> m_help;
    QMap<Frame, QString> m_infoTags;
    QString m_kindTag;
    QString m_gridCell;
    int m_gridColumn = 0;
    int m_gridRow = 0;
    bool m_gridTabStop = true;
    bool m_imageJTimer = false;
    QStringList m_infoFiles;
    QList<int> m_properties;
    QStringList m_waves;
    int m_beeps = 0;
    QStringList m_statuses;
};

}  // namespace k7::test
