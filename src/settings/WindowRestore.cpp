#include "settings/WindowRestore.h"

#include "settings/IniSettings.h"

#include <algorithm>

namespace k7 {

RestoredWindow restoreWindow(const IniSettings& settings, const QRectF& design, double screenWidth,
                             double screenHeight)
{
    RestoredWindow out;
    out.rect = design;
    // Anything but "0", an absent key included, means maximized.
    out.maximized = settings.value(IniKey::frmMainmaximized).trimmed() != QLatin1String("0");
    if (out.maximized)
        return out;
    if (const auto left = settings.number(IniKey::frmMainleft); left && *left >= 0 && *left < screenWidth)
        out.rect.moveLeft(*left);
    if (const auto top = settings.number(IniKey::frmMaintop); top && *top >= 0 && *top < screenHeight)
        out.rect.moveTop(*top);
    if (const auto width = settings.number(IniKey::frmMainwidth);
        width && *width >= screenWidth / 3 && *width < screenWidth)
        out.rect.setWidth(*width);
    if (const auto height = settings.number(IniKey::frmMainheight);
        height && *height >= screenHeight / 4 && *height < screenHeight)
        out.rect.setHeight(*height);
    return out;
}

double clampVerticalSeparator(double v, double windowWidth)
{
    const double low = 0.05 * windowWidth;
    const double high = 0.7 * windowWidth;
    if (v < low)
        return low;
    if (v > high)
        return high;
    return v;
}

double clampHorizontalSeparator(double h, double windowHeight)
{
    const double low = 0.2 * windowHeight;
    const double high = 0.8 * (windowHeight - 400);
    if (h < low)
        return low;
    if (h > high)
        return std::max(high, low);
    return h;
}

}  // namespace k7
