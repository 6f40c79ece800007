#pragma once
// frmMessage: a short message that closes by itself when its timer fires, or
// earlier on a click, Enter or Space.

#include <QDialog>

class QLabel;
class QTimer;

namespace k7 {

class TimedMessage : public QDialog {
    Q_OBJECT
public:
    explicit TimedMessage(QWidget* parent = nullptr);

    void setText(const QString& text);
    void setInterval(int milliseconds);
    QString text() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void finish();

    QLabel* m_messagetext = nullptr;
    QTimer* m_timer = nullptr;
};

}  // namespace k7
