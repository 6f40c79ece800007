#pragma once
// Help > K7 Manual: the operators' manual in a window of its own, beside the
// main window, opened at the page and section the caller names. The manual is
// HTML built with the program; it is looked for in the install (beside the
// executable's folder) and then in the build tree.

#include <QWidget>

class QTextBrowser;

namespace k7 {

// The places the program opens the manual at: a page and, after "#", the id
// of a section on it. The manual's own test checks that each of them exists.
namespace ManualPlace {
inline const QString Contents = QStringLiteral("index.html");
inline const QString TypingARecord = QStringLiteral("getting-started.html#typing-a-record");
inline const QString Grid = QStringLiteral("getting-started.html#the-grid");
inline const QString CfgFormat = QStringLiteral("cfg-format.html");
inline const QString PropertiesEditor = QStringLiteral("cfg-format.html#properties-editor");
}  // namespace ManualPlace

// The folder holding the manual's index.html; empty when there is none.
QString ManualFolder();
// What to tell the operator when ManualFolder() is empty.
QString ManualMissingText();

class ManualWindow : public QWidget {
    Q_OBJECT
public:
    ManualWindow(const QString& folder, QWidget* parent = nullptr);

    // Shows `place` (see ManualPlace) and brings the window to the front.
    void showPlace(const QString& place);
    QTextBrowser* browser() const { return m_browser; }

private:
    QString m_folder;
    QTextBrowser* m_browser = nullptr;
};

}  // namespace k7
