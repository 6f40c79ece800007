#pragma once
// Help > Keys: every key K7 reacts to, where and what it does, read from the
// same table the key handling uses.

#include <QDialog>

namespace k7 {

class KeysDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeysDialog(QWidget* parent = nullptr);
};

}  // namespace k7
