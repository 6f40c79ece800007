#pragma once
// frmInfo: shows a variable's info file as plain text. The window comes back
// where it was last closed (k7.ini, in twips), kept on the screen and at
// least 2000 twips wide and high, and writes its place back when it closes.
// OK closes it with QDialog::Accepted, so that the caller can hand the
// keyboard back to the entry area; Esc closes it as rejected.

#include <QDialog>
#include <QRectF>
#include <QSizeF>

class QPlainTextEdit;
class QPushButton;

namespace k7 {

class IniSettings;

class InfoViewer : public QDialog {
    Q_OBJECT
public:
    explicit InfoViewer(IniSettings& settings, QWidget* parent = nullptr);

    // The smallest width and height a stored rectangle is given, in twips.
    static constexpr double kMinSideTwips = 2000;

    // The whole file as text; a file that is missing or cannot be read shows
    // an empty box rather than whatever was shown before.
    void loadFile(const QString& path);
    QString text() const;

    // The rectangle to open at (twips): `design` with each stored key that
    // is not empty applied and brought within the screen.
    static QRectF restoredRect(const IniSettings& settings, const QRectF& design, const QSizeF& screen);

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void restoreGeometry();
    void saveGeometry();
    void layoutControls();
    double dpiX() const;
    double dpiY() const;

    IniSettings& m_settings;
    QPlainTextEdit* m_infobox = nullptr;
    QPushButton* m_command1 = nullptr;
    // Set while the window is being placed: sizes then are not final.
    bool m_loading = true;
};

}  // namespace k7
