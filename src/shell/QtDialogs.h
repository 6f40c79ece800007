#pragma once
// Dialogs shown with Qt widgets: message boxes titled "K7" with the style
// numbers' buttons and icons, file and colour choosers, the table chooser, the
// one-line input dialog and the timed message window.

#include "platform/Dialogs.h"

class QWidget;

namespace k7 {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    int message(const QString& text, int style) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& directory) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& directory) override;
    std::optional<QString> inputText(const QString& prompt, const QString& initial) override;
    std::optional<QString> inputPassword(const QString& prompt) override;
    std::optional<QString> inputTextWithCaption(const QString& prompt, const QString& initial,
                                                const QString& caption) override;
    std::optional<QString> chooseTable(const QStringList& tables) override;
    std::optional<long> chooseColor(long initial) override;
    void timedMessage(const QString& text, int milliseconds) override;
    void setBusy(bool busy) override;
    bool runWithProgress(const QString& text, SteppedWork& work) override;

private:
    QWidget* m_parent = nullptr;
    int m_busyDepth = 0;
};

}  // namespace k7
