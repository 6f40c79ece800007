#pragma once
// Plays WAV files without waiting for them and sounds the system beep. A new
// file replaces the one playing, so a fast operator never queues sounds.

#include "platform/EntryView.h"

#include <memory>

class QSoundEffect;

namespace k7 {

class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void playWave(const QString& path) override;
    void beep() override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

}  // namespace k7
