#pragma once
// frmUsertext: asks for one line of text. Either button keeps the typed text
// and records its own caption ("Ok" or "Cancel") as the answer.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace k7 {

class UserTextDialog : public QDialog {
    Q_OBJECT
public:
    explicit UserTextDialog(QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setResponse(const QString& text);
    QString response() const;
    QString button() const { return m_button; }

private:
    void finish(const QString& button);

    QLabel* m_prompt = nullptr;
    QLineEdit* m_response = nullptr;
    QString m_button = QStringLiteral("Cancel");
};

}  // namespace k7
