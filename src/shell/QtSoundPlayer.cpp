#include "shell/QtSoundPlayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace k7 {

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::playWave(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return;
    // Created on first use: a machine without audio output never pays for it.
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    m_effect->stop();
    m_effect->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_effect->play();
}

void QtSoundPlayer::beep()
{
    QApplication::beep();
}

}  // namespace k7
