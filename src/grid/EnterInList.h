#pragma once
// Enter in a dialog's list does what the dialog's main button does for it
// (add the field to the sort, apply the filter), so the dialogs work from
// the keyboard alone. The list's own Enter handling (activation, which some
// styles also give a single click) is not used for this.

#include <QObject>

#include <functional>

class QAbstractItemView;

namespace k7 {

class EnterInList : public QObject {
public:
    EnterInList(QAbstractItemView* list, std::function<void()> onEnter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_onEnter;
};

}  // namespace k7
