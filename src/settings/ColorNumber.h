#pragma once
// Colours are stored as decimal numbers with the blue, green and red bytes
// (0x00BBGGRR), as the CFG keeps them.

#include <QColor>

namespace k7 {

inline QColor colorFromNumber(long number)
{
    return QColor(static_cast<int>(number & 0xff), static_cast<int>((number >> 8) & 0xff),
                  static_cast<int>((number >> 16) & 0xff));
}

inline long numberFromColor(const QColor& color)
{
    return static_cast<long>(color.red()) | (static_cast<long>(color.green()) << 8) |
           (static_cast<long>(color.blue()) << 16);
}

}  // namespace k7
