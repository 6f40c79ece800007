#include "settings/WindowPlacement.h"

#include "settings/WindowRestore.h"

#include <QScreen>
#include <QSplitter>
#include <QWidget>

namespace k7 {

double screenDpiX(const QWidget& widget)
{
    return widget.screen() ? widget.screen()->logicalDotsPerInchX() : 96.0;
}

double screenDpiY(const QWidget& widget)
{
    return widget.screen() ? widget.screen()->logicalDotsPerInchY() : 96.0;
}

WindowPlacement::WindowPlacement(QWidget& window, QSplitter& inner, QSplitter& outer)
    : m_window(window), m_inner(inner), m_outer(outer)
{
}

void WindowPlacement::restore(const IniSettings& settings)
{
    const double dpiX = screenDpiX(m_window);
    const double dpiY = screenDpiY(m_window);
    const QScreen* screenNow = m_window.screen();
    const QRect available = screenNow ? screenNow->availableGeometry() : QRect(0, 0, 1024, 768);
    const double sw = twipsFromPixels(available.width(), dpiX);
    const double sh = twipsFromPixels(available.height(), dpiY);
    const QRect now = m_window.geometry();
    const QRectF design(twipsFromPixels(now.x(), dpiX), twipsFromPixels(now.y(), dpiY),
                        twipsFromPixels(now.width(), dpiX), twipsFromPixels(now.height(), dpiY));
    const RestoredWindow restored = restoreWindow(settings, design, sw, sh);
    QSize windowSize;
    if (restored.maximized) {
        // Filled in by hand as well: without a window manager (a bare X
        // server) the maximized state alone changes nothing.
        m_window.setGeometry(available);
        m_window.setWindowState(Qt::WindowMaximized);
        windowSize = available.size();
    } else {
        m_window.setWindowState(Qt::WindowNoState);
        const QRect px(qRound(pixelsFromTwips(restored.rect.x(), dpiX)),
                       qRound(pixelsFromTwips(restored.rect.y(), dpiY)),
                       qRound(pixelsFromTwips(restored.rect.width(), dpiX)),
                       qRound(pixelsFromTwips(restored.rect.height(), dpiY)));
        m_window.setGeometry(px);
        windowSize = px.size();
    }
    // The splitters are placed for the window's size now, and resized with
    // it, at the resolution of the screen the window is on now.
    const double placedDpiX = screenDpiX(m_window);
    const double placedDpiY = screenDpiY(m_window);
    const double w = twipsFromPixels(windowSize.width(), placedDpiX);
    const double h = twipsFromPixels(windowSize.height(), placedDpiY);
    // Without stored positions: a fifth of the width for the list, a bit
    // more than half the height for the entry area.
    const double v = settings.number(IniKey::frmMainverticalseperator).value_or(0.2 * w);
    const int left = qRound(pixelsFromTwips(clampVerticalSeparator(v, w), placedDpiX));
    m_inner.setSizes({left, qMax(1, windowSize.width() - left)});
    const double top = settings.number(IniKey::frmMainhorizontalseperator).value_or(0.55 * h);
    const int px = qRound(pixelsFromTwips(clampHorizontalSeparator(top, h), placedDpiY));
    m_outer.setSizes({px, qMax(1, windowSize.height() - px)});
}

IniValues WindowPlacement::current() const
{
    const double dpiX = screenDpiX(m_window);
    const double dpiY = screenDpiY(m_window);
    const QRect rect = m_window.geometry();
    IniValues values;
    values.append({IniKey::frmMainleft, QString::number(qRound(twipsFromPixels(rect.x(), dpiX)))});
    values.append({IniKey::frmMaintop, QString::number(qRound(twipsFromPixels(rect.y(), dpiY)))});
    values.append({IniKey::frmMainwidth, QString::number(qRound(twipsFromPixels(rect.width(), dpiX)))});
    values.append({IniKey::frmMainheight, QString::number(qRound(twipsFromPixels(rect.height(), dpiY)))});
    values.append({IniKey::frmMainverticalseperator, QString::number(qRound(verticalSeparatorTwips()))});
    values.append({IniKey::frmMainhorizontalseperator, QString::number(qRound(horizontalSeparatorTwips()))});
    const QString stateText = m_window.isMinimized()   ? QStringLiteral("1")
                              : m_window.isMaximized() ? QStringLiteral("2")
                                                       : QStringLiteral("0");
    values.append({IniKey::frmMainmaximized, stateText});
    return values;
}

double WindowPlacement::verticalSeparatorTwips() const
{
    const QList<int> sizes = m_inner.sizes();
    return twipsFromPixels(sizes.isEmpty() ? 0 : sizes.first(), screenDpiX(m_window));
}

double WindowPlacement::horizontalSeparatorTwips() const
{
    const QList<int> sizes = m_outer.sizes();
    return twipsFromPixels(sizes.isEmpty() ? 0 : sizes.first(), screenDpiY(m_window));
}

}  // namespace k7
