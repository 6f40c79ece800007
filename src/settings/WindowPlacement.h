#pragma once
// The main window's rectangle, state and splitters as k7.ini keeps them, in
// twips: put back from the stored keys at start-up and read out as keys at
// File > Exit. Which stored values count is decided in WindowRestore.

#include "settings/IniSettings.h"

class QSplitter;
class QWidget;

namespace k7 {

class WindowPlacement {
public:
    // `inner` divides the variable list from the entry area, `outer` the
    // entry region from the grid.
    WindowPlacement(QWidget& window, QSplitter& inner, QSplitter& outer);

    // Places the window on its screen (maximized unless the keys say
    // otherwise) and the splitters within it.
    void restore(const IniSettings& settings);
    // The keys that record the rectangle, the splitters and the state now.
    IniValues current() const;

    // Splitter positions in twips (vertical: left edge; horizontal: top).
    double verticalSeparatorTwips() const;
    double horizontalSeparatorTwips() const;

private:
    QWidget& m_window;
    QSplitter& m_inner;
    QSplitter& m_outer;
};

// The logical resolution of the screen `widget` is on; 96 when it has none.
double screenDpiX(const QWidget& widget);
double screenDpiY(const QWidget& widget);

}  // namespace k7
