#pragma once
// The rules that put the main window back where k7.ini says, in twips: which
// stored values pass their tests against the screen, and where the splitters
// are pulled when a stored position is out of range.

#include <QRectF>

namespace k7 {

class IniSettings;

struct RestoredWindow {
    bool maximized = true;
    QRectF rect;  // twips; only meaningful when not maximized
};

// State and rectangle from the stored keys. `design` is the rectangle used
// for every key that is empty or fails its test.
RestoredWindow restoreWindow(const IniSettings& settings, const QRectF& design, double screenWidth,
                             double screenHeight);

// The vertical splitter's left edge for a stored v in a window W wide:
// v itself within [0.05 W, 0.7 W], else the nearer bound.
double clampVerticalSeparator(double v, double windowWidth);
// The horizontal splitter's top for a stored h in a window H high: h itself
// within [0.2 H, 0.8 (H - 400)], else the nearer bound.
double clampHorizontalSeparator(double h, double windowHeight);

// Twips and pixels at a logical resolution (dots per inch).
inline double twipsFromPixels(double pixels, double dpi) { return pixels * 1440.0 / dpi; }
inline double pixelsFromTwips(double twips, double dpi) { return twips * dpi / 1440.0; }

}  // namespace k7
