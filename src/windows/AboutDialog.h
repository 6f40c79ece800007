#pragma once
// frmAbout: the program's version and makers. Also shown as the start-up
// splash, without waiting and with its close button disabled.

#include <QDialog>

class QPushButton;

namespace k7 {

constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 7;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Splash mode: the close button is disabled.
    void setSplash(bool splash);

private:
    QPushButton* m_close = nullptr;
};

}  // namespace k7
