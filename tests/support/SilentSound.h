#pragma once
// A sound player that plays nothing.

#include "platform/EntryView.h"

namespace k7::test {

class SilentSound : public SoundPlayer {
public:
    void playWave(const QString&) override {}
    void beep() override {}
};

}  // namespace k7::test
