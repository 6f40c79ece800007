#pragma once
// Every question, message and file choice the program puts to the operator goes
// through this interface, so the core never touches a widget and tests can script
// the answers. Title of every message box: "K7".

#include "platform/SteppedWork.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace k7 {

// Message-box style numbers: buttons plus icon, added together.
namespace Style {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
// Added to a question whose Yes destroys records or files, so that Enter
// answers No: the second button (No, or Cancel of Ok/Cancel) is the default.
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;
}  // namespace Style

// Answers of a message box.
namespace Answer {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace Answer

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box; returns Answer::Ok, Cancel, Yes or No.
    virtual int message(const QString& text, int style) = 0;

    // File choosers; an empty result means the operator cancelled.
    // `filter` is in Qt's form ("CFG files (*.cfg);;All files (*)").
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& directory) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& directory) = 0;

    // The one-line input dialog: the typed text on "Ok", nothing on "Cancel".
    virtual std::optional<QString> inputText(const QString& prompt,
                                             const QString& initial) = 0;
    // The same dialog with its own window caption. Implementations that do
    // not set captions fall back to inputText.
    virtual std::optional<QString> inputTextWithCaption(const QString& prompt,
                                                        const QString& initial,
                                                        const QString& caption)
    {
        (void)caption;
        return inputText(prompt, initial);
    }

    // A password, typed without being shown: the text on "Ok", nothing on
    // "Cancel". Nothing, too, where no one can be asked.
    virtual std::optional<QString> inputPassword(const QString& prompt)
    {
        (void)prompt;
        return std::nullopt;
    }

    // The table chooser: the chosen table, nothing when cancelled.
    virtual std::optional<QString> chooseTable(const QStringList& tables) = 0;

    // Colour choice with a decimal colour number (blue, green, red bytes).
    virtual std::optional<long> chooseColor(long initial) = 0;

    // The timed message window: shown modally for `milliseconds`.
    virtual void timedMessage(const QString& text, int milliseconds) = 0;

    // Long operations: hourglass on, then back to the arrow.
    virtual void setBusy(bool busy) = 0;

    // Runs `work` to its end. Work that lasts more than about a second shows
    // `text` with a progress bar and Cancel; false when the operator
    // cancelled, and the work is then left unfinished. Without a screen it
    // simply runs.
    virtual bool runWithProgress(const QString& text, SteppedWork& work)
    {
        (void)text;
        while (work.step()) {
        }
        return true;
    }
};

}  // namespace k7
