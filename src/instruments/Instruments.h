#pragma once
// Everything that feeds readings into the entry engine: the serial port of
// the open CFG, its receive handling, the keys of the instrument box and the
// ImageJ link. The main window owns one and forwards to it:
//   - an open sequence begins, or a CFG is closed -> stopInput()
//   - ShellHooks::openInstrumentPort()           -> openPort()
//   - the open sequence has presented a record    -> resumeInput()
//   - a key pressed in `instrumentbox`            -> instrumentKey(code)
//   - Next pressed                                -> endReadingOnItsWay(),
//     and when that ends none, the accept action
//   - a tick of `imagejtimer` (500 ms)            -> imageJTick()
//   - inputHeld()/inputHeldChanged(): during the ImageJ pause the window
//     keeps painting but ignores keys and clicks.
//   - notice(): a line for the status bar about a reading not taken (a
//     serial reading or an ImageJ save).

#include "instruments/ComOption.h"

#include <QObject>

#include <memory>

namespace k7 {

struct Model;
class Clock;
class Dialogs;
class EntryEngine;
class EntryView;
class ImageJLink;
class InstrumentPort;
class InstrumentReceiver;
class SerialInstrument;
class SoundPlayer;

// The k7.ini key that, set to No (or False, 0), lets readings the device
// calls unstable through.
inline constexpr char kRefuseUnstableKey[] = "RefuseUnstable";

class Instruments : public QObject {
    Q_OBJECT
public:
    // With a real serial port and the steady clock.
    Instruments(Model& model, EntryView& view, EntryEngine& engine, Dialogs& dialogs, SoundPlayer& sound,
                IniLookup ini, QObject* parent = nullptr);
    // With a given port and clock (tests).
    Instruments(Model& model, EntryView& view, EntryEngine& engine, Dialogs& dialogs, SoundPlayer& sound,
                IniLookup ini,
                std::unique_ptr<InstrumentPort> port, std::shared_ptr<Clock> clock,
                QObject* parent = nullptr);
    ~Instruments() override;

    // Port opening for the CFG just opened (its Com option).
    void openPort();
    // No input is taken: the port is closed, the ImageJ watch and its pause
    // end, and what was received but not worked off is dropped (and counted
    // in a notice). Until resumeInput(), nothing received is worked off.
    void stopInput();
    // A record is presented: input is worked off again.
    void resumeInput();
    // Opens the port of the open CFG again after it was lost.
    void reconnect();
    // A key in the instrument box; true when consumed.
    bool instrumentKey(int code);
    // Enter or the Next button while a device reading is still on its way:
    // ends it as its line end would. False when there is none to end (the
    // box's text is then accepted as usual).
    bool endReadingOnItsWay();
    // One tick of the ImageJ poll timer.
    void imageJTick();

    bool inputHeld() const;
    bool portOpen() const;
    InstrumentPort& port() { return *m_port; }

signals:
    void inputHeldChanged(bool held);
    void notice(const QString& text);

private:
    void acceptReading();
    void cue(const QString& text);
    void updateHold();

    Model& m_model;  // edited only by the ImageJ link (its imagejstamp)
    EntryView& m_view;
    EntryEngine& m_engine;
    SoundPlayer& m_sound;
    IniLookup m_ini;
    std::unique_ptr<InstrumentPort> m_port;
    std::shared_ptr<Clock> m_clock;
    std::unique_ptr<SerialInstrument> m_serial;
    std::unique_ptr<InstrumentReceiver> m_receiver;
    std::unique_ptr<ImageJLink> m_imagej;
    bool m_stopped = true;
};

}  // namespace k7
