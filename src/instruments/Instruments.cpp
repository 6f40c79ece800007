#include "instruments/Instruments.h"

#include "cfg/Model.h"
#include "entry/EntryEngine.h"
#include "entry/RecordState.h"
#include "instruments/ImageJLink.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/SerialDevicePort.h"
#include "instruments/SerialInstrument.h"
#include "instruments/SteadyClock.h"

namespace k7 {

Instruments::Instruments(Model& model, RecordState& state, EntryView& view, EntryEngine& engine,
                         Dialogs& dialogs, IniLookup ini, QObject* parent)
    : Instruments(model, state, view, engine, dialogs, std::move(ini),
                  std::make_unique<SerialDevicePort>(), std::make_shared<SteadyClock>(), parent)
{
}

Instruments::Instruments(Model& model, RecordState& state, EntryView& view, EntryEngine& engine,
                         Dialogs& dialogs, IniLookup ini, std::unique_ptr<InstrumentPort> port,
                         std::shared_ptr<Clock> clock, QObject* parent)
    : QObject(parent), m_model(model), m_state(state), m_view(view), m_engine(engine),
      m_port(std::move(port)), m_clock(std::move(clock))
{
    // When the device goes away, input still buffered is worked off at once;
    // the port is closed and the loss reported from the event loop after.
    m_receiver = std::make_unique<InstrumentReceiver>(*m_port, m_view, m_state.devicewait,
                                                      [this] { acceptReading(); });
    m_serial = std::make_unique<SerialInstrument>(*m_port, dialogs, std::move(ini));
    connect(m_port.get(), &InstrumentPort::lost, m_receiver.get(), &InstrumentReceiver::drain);

    m_imagej = std::make_unique<ImageJLink>(
        m_model, m_view, *m_clock, [this] { return m_state.curvar; },
        [this] { m_engine.AcceptValue(); });
    connect(m_imagej.get(), &ImageJLink::pauseChanged, this, [this](bool paused) {
        m_receiver->setHeld(paused);
        emit inputHeldChanged(paused);
    });
}

Instruments::~Instruments() = default;

void Instruments::openPort()
{
    m_imagej->cancelPause();
    m_serial->OpenPort(m_model.options[OptCom]);
}

bool Instruments::instrumentKey(int code)
{
    if (inputHeld())
        return true;
    return m_engine.instrumentKey(code);
}

void Instruments::imageJTick()
{
    m_imagej->Poll();
}

bool Instruments::inputHeld() const
{
    return m_imagej->paused();
}

bool Instruments::portOpen() const
{
    return m_serial->isOpen();
}

void Instruments::acceptReading()
{
    // A line feed accepts whatever variable is presented, as Enter would.
    m_engine.AcceptValue();
}

}  // namespace k7
