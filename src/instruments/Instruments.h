#pragma once
// Everything that feeds readings into the entry engine: the serial port of
// the open CFG, its receive handling, the keys of the instrument box and the
// ImageJ link. The main window owns one and forwards to it:
//   - ShellHooks::openInstrumentPort()      -> openPort()
//   - a key pressed in `instrumentbox`      -> instrumentKey(code)
//   - a tick of `imagejtimer` (500 ms)      -> imageJTick()
//   - inputHeld()/inputHeldChanged(): during the ImageJ pause the window
//     keeps painting but ignores keys and clicks.

#include "instruments/ComOption.h"

#include <QObject>

#include <memory>

namespace k7 {

struct Model;
struct RecordState;
class Clock;
class Dialogs;
class EntryEngine;
class EntryView;
class ImageJLink;
class InstrumentPort;
class InstrumentReceiver;
class SerialInstrument;

class Instruments : public QObject {
    Q_OBJECT
public:
    // With a real serial port and the steady clock.
    Instruments(Model& model, RecordState& state, EntryView& view, EntryEngine& engine,
                Dialogs& dialogs, IniLookup ini, QObject* parent = nullptr);
    // With a given port and clock (tests).
    Instruments(Model& model, RecordState& state, EntryView& view, EntryEngine& engine,
                Dialogs& dialogs, IniLookup ini, std::unique_ptr<InstrumentPort> port,
                std::shared_ptr<Clock> clock, QObject* parent = nullptr);
    ~Instruments() override;

    // Port opening for the CFG just opened (its Com option).
    void openPort();
    // A key in the instrument box; true when consumed.
    bool instrumentKey(int code);
    // One tick of the ImageJ poll timer.
    void imageJTick();

    bool inputHeld() const;
    bool portOpen() const;
    InstrumentPort& port() { return *m_port; }

signals:
    void inputHeldChanged(bool held);

private:
    void acceptReading();

    Model& m_model;
    RecordState& m_state;
    EntryView& m_view;
    EntryEngine& m_engine;
    std::unique_ptr<InstrumentPort> m_port;
    std::shared_ptr<Clock> m_clock;
    std::unique_ptr<SerialInstrument> m_serial;
    std::unique_ptr<InstrumentReceiver> m_receiver;
    std::unique_ptr<ImageJLink> m_imagej;
};

}  // namespace k7
