#pragma once
// The start of the program: the about box stands as a splash, without its
// close button, for at least kMinimumMs; then it closes and the main window
// starts up. The wait runs on a timer, so the splash keeps painting.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include "windows/AboutDialog.h"

#include <functional>

namespace k7 {

class SplashStart : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinimumMs = 1000;

    // Shows the splash at once.
    SplashStart();
    ~SplashStart() override;

    // `startUp` runs after the splash has closed, no earlier than kMinimumMs
    // after the splash appeared; what ran in between counts towards it.
    void begin(std::function<void()> startUp);
    AboutDialog* splash() const { return m_splash; }

private:
    QPointer<AboutDialog> m_splash;
    QElapsedTimer m_shown;
};

}  // namespace k7
