#pragma once
// dataentrybox: the entry area with its four input frames (text, numeric,
// menu, instrument), their prompts, input controls, help panels and info
// buttons, and the `previousvar` / `nextvar` buttons. It shows what the entry
// engine tells it to and hands every key of an input control to a handler,
// which decides whether the control may still act on it.

#include "platform/EntryView.h"

#include <QHash>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace k7 {

class EntryArea : public QWidget {
    Q_OBJECT
public:
    explicit EntryArea(QWidget* parent = nullptr);

    // Called with (control, character code) for every key pressed in an input
    // control; returns true when the key is consumed.
    using KeyHandler = std::function<bool(Control, int)>;
    void setKeyHandler(KeyHandler handler) { m_keyHandler = std::move(handler); }

    // The character code of a key event as the handlers count it (13 Enter,
    // 27 Esc, 3 Ctrl+C, 5 Ctrl+E, 9 Ctrl+I, 127 Delete, else the typed
    // character); 0 for Tab and keys that type nothing (arrows, function keys).
    static int keyCode(const QKeyEvent* event);

    void showFrame(Frame frame);
    std::optional<Frame> visibleFrame() const;
    void setFrameCaption(Frame frame, const QString& caption, int fontSize);
    void setPrompt(Frame frame, const QString& prompt);
    QString prompt(Frame frame) const;
    long backgroundColor() const { return m_background; }
    void setBackgroundColor(long color);

    QString boxText(Control box) const;
    void setBoxText(Control box, const QString& text);
    void setBoxMaxLength(Control box, int length);
    void selectBoxText(Control box, int start, int length);
    void focusControl(Control control);

    int menuListWidth() const;
    void setMenuItems(const QStringList& items, int columns);
    void selectMenuItem(int index);
    int selectedMenuItem() const;
    QString selectedMenuText() const;

    void setHelp(Frame frame, const QString& url);
    void setInfoButton(Frame frame, bool visible, const QString& tag);
    QString infoButtonTag(Frame frame) const;

    void setEntryButtons(const QString& previousCaption, const QString& nextCaption, const QString& kindTag);
    QString kindTag() const { return m_kindTag; }

    QWidget* control(Control control) const;
    QPushButton* previousButton() const { return m_previousvar; }
    QPushButton* nextButton() const { return m_nextvar; }

    // Centres the visible input frame in the area.
    void center_databoxes();

signals:
    void nextClicked();
    void previousClicked();
    void infoClicked(Frame frame);
    void menuSelectionChanged();
    void menuDoubleClicked();
    // A click on the area, a frame or a prompt.
    void areaClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct FrameParts {
        QGroupBox* frame = nullptr;
        QLabel* prompt = nullptr;
        QWidget* input = nullptr;
        QTextBrowser* help = nullptr;
        QPushButton* info = nullptr;
        QString infoTag;
    };

    FrameParts makeFrame(Frame frame, const QString& name, QWidget* input, const QString& promptName,
                         const QString& helpName);
    FrameParts& parts(Frame frame) { return m_frames[static_cast<size_t>(frame)]; }
    const FrameParts& parts(Frame frame) const { return m_frames[static_cast<size_t>(frame)]; }
    QLineEdit* lineEdit(Control box) const;
    int twips(double t) const;

    std::array<FrameParts, 4> m_frames;
    QLineEdit* m_textbox = nullptr;
    QLineEdit* m_numericbox = nullptr;
    QLineEdit* m_instrumentbox = nullptr;
    QListWidget* m_menulist = nullptr;
    QPushButton* m_previousvar = nullptr;
    QPushButton* m_nextvar = nullptr;
    QString m_kindTag;
    long m_background = 16777215;
    // The length each box was given for typing (Qt's default when none).
    QHash<const QLineEdit*, int> m_typedLength;
    KeyHandler m_keyHandler;
};

}  // namespace k7
