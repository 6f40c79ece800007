#pragma once
// The window operations the entry engine needs from the entry area, the
// variable list and the grid. The engine decides *what* is shown; an
// implementation only shows it. The main window implements this with widgets;
// tests use a recording double.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace k7 {

// The four input frames of the entry area.
enum class Frame { Text, Numeric, Menu, Instrument };

// The input controls: three text boxes and the menu list.
enum class Control { TextBox, NumericBox, InstrumentBox, MenuList };

// The frame that holds an input control.
inline Frame FrameOf(Control control)
{
    switch (control) {
    case Control::TextBox: return Frame::Text;
    case Control::NumericBox: return Frame::Numeric;
    case Control::MenuList: return Frame::Menu;
    case Control::InstrumentBox: break;
    }
    return Frame::Instrument;
}

// The url of the help file at `path`, scrolled to `anchor` when one is given.
// Made from the path as a local file, so that a "#", "?" or "%" in a folder
// or file name stays part of the name rather than starting the anchor.
inline QString HelpUrl(const QString& path, const QString& anchor = QString())
{
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty())
        url.setFragment(anchor, QUrl::DecodedMode);
    return url.toString(QUrl::FullyEncoded);
}

class EntryView {
public:
    virtual ~EntryView() = default;

    // Shows `frame` centred in the entry area and hides the other three.
    virtual void showFrame(Frame frame) = 0;
    // Caption of the frame; fontSize > 0 changes the caption's font size.
    virtual void setFrameCaption(Frame frame, const QString& caption, int fontSize) = 0;
    virtual void setPrompt(Frame frame, const QString& prompt) = 0;

    // Background colour of the data box, frames and entry area, as a decimal
    // colour number (blue, green, red bytes).
    virtual long backgroundColor() const = 0;
    virtual void setBackgroundColor(long color) = 0;

    // Text boxes (TextBox, NumericBox, InstrumentBox).
    virtual QString boxText(Control box) const = 0;
    virtual void setBoxText(Control box, const QString& text) = 0;
    virtual void setBoxMaxLength(Control box, int length) = 0;  // 0 = no limit
    virtual void selectBoxText(Control box, int start, int length) = 0;
    virtual void setFocus(Control control) = 0;

    // The menu list. Indexes are 0-based; -1 means no selection.
    virtual int menuListWidthTwips() const = 0;
    virtual void setMenuItems(const QStringList& items, int columns) = 0;
    virtual void selectMenuItem(int index) = 0;
    virtual int selectedMenuItem() const = 0;
    virtual QString selectedMenuText() const = 0;

    // Help panel of a frame: an empty url hides it; otherwise it is shown
    // beside the input control and navigated to the url, a file's url made
    // by HelpUrl (its fragment, if any, is the anchor to scroll to).
    virtual void setHelp(Frame frame, const QString& url) = 0;
    // The info button of a frame: visible or not, and its Tag (a help file).
    virtual void setInfoButton(Frame frame, bool visible, const QString& tag) = 0;
    virtual QString infoButtonTag(Frame frame) const = 0;

    // The entry buttons: captions of `previousvar` and `nextvar`, the kind Tag
    // shared by both ("text", "numeric", "menu", "instrument", "imagej").
    virtual void setEntryButtons(const QString& previousCaption, const QString& nextCaption,
                                 const QString& kindTag) = 0;
    virtual QString kindTag() const = 0;

    // The variable list `vlist`.
    virtual void setVariableList(const QStringList& names) = 0;
    virtual void selectVariable(int index) = 0;  // -1 deselects all

    // The grid: current cell text and column, the "grid flag" (whether the grid
    // takes part in the keyboard's tab order), focus and refresh.
    virtual QString gridCurrentCellText() const = 0;
    virtual int gridCurrentColumn() const = 0;
    virtual int gridCurrentRow() const = 0;
    // The rowid of the grid's current row, -1 when the grid cannot tell (the
    // engine then takes the row at gridCurrentRow() of the data table).
    // A sorted or filtered grid must answer this, since its row numbers are
    // not those of the table.
    virtual qint64 gridCurrentBookmark() const { return -1; }
    virtual void setGridTabStop(bool on) = 0;
    virtual void focusGrid() = 0;
    virtual void refreshGrid() = 0;
    virtual void gridGoToRow(int row) = 0;  // 0-based; the last row when row < 0

    // The ImageJ poll timer.
    virtual void setImageJTimer(bool running) = 0;

    // Shows a file in the info viewer, modally.
    virtual void showInfoFile(const QString& path) = 0;
    // Opens the field properties editor on a variable, modally.
    virtual void openProperties(int variable) = 0;
    // A line in the status bar: what the operator should know without being
    // stopped at the keyboard.
    virtual void showStatus(const QString& text) { (void)text; }
};

// Sounds: WAV files and the system beep.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void playWave(const QString& path) = 0;
    virtual void beep() = 0;
};

}  // namespace k7
