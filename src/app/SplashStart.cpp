#include "app/SplashStart.h"

#include "windows/AboutDialog.h"

#include <QTimer>

namespace k7 {

SplashStart::SplashStart() : m_splash(new AboutDialog)
{
    m_splash->setSplash(true);
    m_splash->show();
    m_shown.start();
}

SplashStart::~SplashStart()
{
    delete m_splash;
}

void SplashStart::begin(std::function<void()> startUp)
{
    QTimer::singleShot(qMax<qint64>(0, kMinimumMs - m_shown.elapsed()), this, [this, startUp] {
        m_splash->close();
        startUp();
    });
}

}  // namespace k7
