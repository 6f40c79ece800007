#include "exports/MenuCodes.h"

namespace k7 {

void MenuCodes::add(QByteArrayView text, int code)
{
    if (this->code(text) != 0)
        return;
    if (m_texts.size() < kCompared) {
        m_texts << text.toByteArray();
        m_codes << code;
    } else {
        m_more.insert(text.toByteArray(), code);
    }
}

int MenuCodes::code(QByteArrayView text) const
{
    for (qsizetype i = 0; i < m_texts.size(); ++i) {
        if (m_texts[i] == text)
            return m_codes[i];
    }
    if (m_more.isEmpty())
        return 0;
    return m_more.value(QByteArray::fromRawData(text.data(), text.size()));
}

}  // namespace k7
