#pragma once
// A one-line label that shortens its text in the middle ("...") to the room
// it has, instead of widening the window, and shows the whole text as its
// tool tip. Used for the database line, whose paths can be long.

#include <QLabel>

namespace k7 {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_full; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();

    QString m_full;
};

}  // namespace k7
