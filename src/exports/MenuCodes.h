#pragma once
// The codes of a menu variable's values, looked up once per value of every
// exported row. A menu has a handful of items, so the first few texts are
// compared one by one, which is quicker than hashing them; any further ones
// (values outside the menu) go to a hash.

#include <QByteArray>
#include <QHash>
#include <QList>

namespace k7 {

class MenuCodes {
public:
    // Gives `text` the code `code`, unless it has one already.
    void add(QByteArrayView text, int code);
    // The code of `text`, 0 when it has none.
    int code(QByteArrayView text) const;

private:
    static constexpr int kCompared = 16;
    QList<QByteArray> m_texts;  // the first kCompared texts
    QList<int> m_codes;
    QHash<QByteArray, int> m_more;
};

}  // namespace k7
