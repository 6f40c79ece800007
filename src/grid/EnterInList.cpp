#include "grid/EnterInList.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace k7 {

EnterInList::EnterInList(QAbstractItemView* list, std::function<void()> onEnter)
    : QObject(list), m_onEnter(std::move(onEnter))
{
    list->installEventFilter(this);
}

bool EnterInList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            m_onEnter();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace k7
