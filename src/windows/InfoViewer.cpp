#include "windows/InfoViewer.h"

#include "cfg/TextFile.h"
#include "settings/IniSettings.h"
#include "settings/WindowPlacement.h"
#include "settings/WindowRestore.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace k7 {

namespace {

// The design size, in twips.
constexpr double kDesignWidth = 7200;
constexpr double kDesignHeight = 5400;
// Margins of the layout, in twips: the box is 240 narrower and 1200 lower
// than the window's inside; the button sits in the room below it.
constexpr double kSideMargin = 120;
constexpr double kBottomRoom = 1200;
constexpr double kButtonGap = 240;
constexpr double kButtonWidth = 1215;
constexpr double kButtonHeight = 375;

// A position off the screen starts at its edge.
double clampPosition(double value, double screenSide)
{
    return value < 0 || value > screenSide ? 0 : value;
}

double clampSide(double value, double screenSide)
{
    return std::min(std::max(value, InfoViewer::kMinSideTwips), screenSide);
}

}  // namespace

InfoViewer::InfoViewer(IniSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("K7 - Info"));
    m_infobox = new QPlainTextEdit(this);
    m_infobox->setObjectName(QStringLiteral("infobox"));
    m_infobox->setReadOnly(true);
    m_command1 = new QPushButton(QStringLiteral("&OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    connect(m_command1, &QPushButton::clicked, this, &QDialog::accept);

    restoreGeometry();
    m_loading = false;
    layoutControls();
}

double InfoViewer::dpiX() const
{
    return screenDpiX(*this);
}

double InfoViewer::dpiY() const
{
    return screenDpiY(*this);
}

void InfoViewer::loadFile(const QString& path)
{
    const TextFile file = path.isEmpty() ? TextFile() : TextFile::read(path);
    m_infobox->setPlainText(file.ok() ? file.lines.join(QLatin1Char('\n')) : QString());
}

QString InfoViewer::text() const
{
    return m_infobox->toPlainText();
}

QRectF InfoViewer::restoredRect(const IniSettings& settings, const QRectF& design, const QSizeF& screen)
{
    QRectF rect = design;
    if (const auto left = settings.number(IniKey::frmInfoleft))
        rect.moveLeft(clampPosition(*left, screen.width()));
    if (const auto top = settings.number(IniKey::frmInfotop))
        rect.moveTop(clampPosition(*top, screen.height()));
    if (const auto width = settings.number(IniKey::frmInfowidth))
        rect.setWidth(clampSide(*width, screen.width()));
    if (const auto height = settings.number(IniKey::frmInfoheight))
        rect.setHeight(clampSide(*height, screen.height()));
    return rect;
}

void InfoViewer::restoreGeometry()
{
    const QScreen* screenNow = screen();
    const QRect available = screenNow ? screenNow->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSizeF screenTwips(twipsFromPixels(available.width(), dpiX()),
                             twipsFromPixels(available.height(), dpiY()));
    // Without stored keys the window opens in the middle of the screen.
    const QRectF design((screenTwips.width() - kDesignWidth) / 2, (screenTwips.height() - kDesignHeight) / 2,
                        kDesignWidth, kDesignHeight);
    const QRectF rect = restoredRect(m_settings, design, screenTwips);
    setGeometry(qRound(pixelsFromTwips(rect.x(), dpiX())), qRound(pixelsFromTwips(rect.y(), dpiY())),
                qRound(pixelsFromTwips(rect.width(), dpiX())), qRound(pixelsFromTwips(rect.height(), dpiY())));
}

void InfoViewer::saveGeometry()
{
    const QRect rect = geometry();
    auto twips = [](double pixels, double dpi) { return QString::number(qRound(twipsFromPixels(pixels, dpi))); };
    const IniValues values = {{IniKey::frmInfoleft, twips(rect.x(), dpiX())},
                              {IniKey::frmInfotop, twips(rect.y(), dpiY())},
                              {IniKey::frmInfowidth, twips(rect.width(), dpiX())},
                              {IniKey::frmInfoheight, twips(rect.height(), dpiY())}};
    if (!m_settings.write(values))
        qWarning("k7: the settings could not be written to %s", qPrintable(m_settings.path()));
}

void InfoViewer::layoutControls()
{
    auto px = [this](double twips) { return qRound(pixelsFromTwips(twips, dpiX())); };
    auto py = [this](double twips) { return qRound(pixelsFromTwips(twips, dpiY())); };
    const int boxWidth = qMax(0, width() - px(2 * kSideMargin));
    const int boxHeight = qMax(0, height() - py(kBottomRoom));
    m_infobox->setGeometry(px(kSideMargin), py(kSideMargin), boxWidth, boxHeight);
    const int buttonWidth = px(kButtonWidth);
    m_command1->setGeometry(width() / 2 - buttonWidth / 2, py(kSideMargin + kButtonGap) + boxHeight, buttonWidth,
                            py(kButtonHeight));
}

void InfoViewer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!m_loading)
        layoutControls();
}

void InfoViewer::done(int result)
{
    saveGeometry();
    QDialog::done(result);
}

}  // namespace k7
