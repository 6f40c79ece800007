#include "windows/ManualWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace k7 {

namespace {

QString installedManual()
{
#ifdef K7_MANUAL_INSTALL_DIR
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" K7_MANUAL_INSTALL_DIR));
#else
    return QString();
#endif
}

bool holdsManual(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder + QStringLiteral("/index.html")).isFile();
}

}  // namespace

QString ManualFolder()
{
    if (const QString installed = installedManual(); holdsManual(installed))
        return installed;
#ifdef K7_MANUAL_BUILD_DIR
    if (holdsManual(QStringLiteral(K7_MANUAL_BUILD_DIR)))
        return QStringLiteral(K7_MANUAL_BUILD_DIR);
#endif
    return QString();
}

QString ManualMissingText()
{
#ifdef K7_MANUAL_BUILD_DIR
    return QStringLiteral("The K7 manual was not found. It belongs in %1.").arg(QDir::toNativeSeparators(installedManual()));
#else
    return QStringLiteral("The K7 manual was not built with this copy of K7.");
#endif
}

ManualWindow::ManualWindow(const QString& folder, QWidget* parent) : QWidget(parent, Qt::Window), m_folder(folder)
{
    setObjectName(QStringLiteral("frmManual"));
    setWindowTitle(QStringLiteral("K7 Manual"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("manualBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setSearchPaths({folder});

    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    back->setObjectName(QStringLiteral("manualBack"));
    back->setEnabled(false);
    auto* contents = new QPushButton(QStringLiteral("C&ontents"), this);
    contents->setObjectName(QStringLiteral("manualContents"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("manualClose"));
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(contents, &QPushButton::clicked, this, [this] { showPlace(ManualPlace::Contents); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(contents);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    resize(820, 760);
}

void ManualWindow::showPlace(const QString& place)
{
    QUrl url = QUrl::fromLocalFile(m_folder + QLatin1Char('/') + place.section(QLatin1Char('#'), 0, 0));
    if (place.contains(QLatin1Char('#')))
        url.setFragment(place.section(QLatin1Char('#'), 1));
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

}  // namespace k7
