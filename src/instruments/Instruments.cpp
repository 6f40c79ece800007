#include "instruments/Instruments.h"

#include "cfg/Model.h"
#include "entry/EntryEngine.h"
#include "instruments/ImageJLink.h"
#include "instruments/InstrumentReceiver.h"
#include "instruments/ReadingFit.h"
#include "instruments/SerialDevicePort.h"
#include "instruments/SerialInstrument.h"
#include "instruments/SteadyClock.h"
#include "platform/EntryView.h"

namespace k7 {

namespace {

bool switchedOff(const QString& value)
{
    const QString v = value.trimmed().toLower();
    return v == u"no" || v == u"false" || v == u"0" || v == u"off";
}

}  // namespace

Instruments::Instruments(Model& model, EntryView& view, EntryEngine& engine, Dialogs& dialogs, SoundPlayer& sound,
                         IniLookup ini, QObject* parent)
    : Instruments(model, view, engine, dialogs, sound, std::move(ini), std::make_unique<SerialDevicePort>(),
                  std::make_shared<SteadyClock>(), parent)
{
}

Instruments::Instruments(Model& model, EntryView& view, EntryEngine& engine, Dialogs& dialogs, SoundPlayer& sound,
                         IniLookup ini, std::unique_ptr<InstrumentPort> port, std::shared_ptr<Clock> clock,
                         QObject* parent)
    : QObject(parent), m_model(model), m_view(view), m_engine(engine), m_sound(sound), m_ini(std::move(ini)),
      m_port(std::move(port)), m_clock(std::move(clock))
{
    // When the device goes away, input still buffered is worked off at once;
    // the port is closed and the loss reported from the event loop after.
    m_receiver = std::make_unique<InstrumentReceiver>(
        *m_port, m_view,
        DeviceWait{[this] { return m_engine.takeDeviceWait(); },
                   [this](bool wait) { m_engine.restoreDeviceWait(wait); }},
        [this] { acceptReading(); }, [this](const QString& text) { cue(text); });
    const auto misfit = [this](const QString& number) {
        const int v = m_engine.state().curvar;
        if (v < 1 || v > m_model.varcount)
            return QString();
        return ReadingMisfit(number, m_model.var(v), m_engine.fieldOf(v));
    };
    m_receiver->setValueCheck(misfit);
    m_serial = std::make_unique<SerialInstrument>(*m_port, dialogs, m_ini);
    connect(m_port.get(), &InstrumentPort::lost, m_receiver.get(), &InstrumentReceiver::drain);

    m_imagej = std::make_unique<ImageJLink>(
        m_model, m_view, *m_clock, [this] { return m_engine.state().curvar; }, [this] { m_engine.AcceptValue(); },
        [this](const QString& text) { cue(text); });
    m_imagej->setValueCheck(misfit);
    connect(m_imagej.get(), &ImageJLink::pauseChanged, this, [this](bool paused) {
        updateHold();
        emit inputHeldChanged(paused);
    });
    updateHold();
}

Instruments::~Instruments() = default;

void Instruments::updateHold()
{
    m_receiver->setHeld(m_stopped || m_imagej->paused());
}

void Instruments::openPort()
{
    m_imagej->cancelPause();
    // A port that cannot be opened has been reported; typing goes on.
    static_cast<void>(m_serial->OpenPort(m_model.options[OptCom]));
    m_receiver->setCarriageReturnEnds(m_serial->settings().carriageReturnEnds);
    m_receiver->setRefuseUnstable(!(m_ini && switchedOff(m_ini(QString::fromLatin1(kRefuseUnstableKey)))));
}

void Instruments::stopInput()
{
    m_stopped = true;
    updateHold();
    m_view.setImageJTimer(false);
    m_imagej->cancelPause();
    const int dropped = m_receiver->discard();
    m_serial->close();
    if (dropped > 0)
        emit notice(QStringLiteral("%1 instrument reading(s) received but not entered were dropped: the CFG "
                                   "was closed.")
                        .arg(dropped));
}

void Instruments::resumeInput()
{
    m_stopped = false;
    updateHold();
}

void Instruments::reconnect()
{
    static_cast<void>(m_serial->reconnect());  // the port reports its own failure
}

bool Instruments::instrumentKey(int code)
{
    if (inputHeld())
        return true;
    if (code == Key::Enter && endReadingOnItsWay())
        return true;
    return m_engine.instrumentKey(code);
}

bool Instruments::endReadingOnItsWay()
{
    return !inputHeld() && m_receiver->endReadingOnItsWay();
}

void Instruments::imageJTick()
{
    if (!m_stopped)
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
    // A line feed accepts the presented instrument variable, as Enter would.
    m_engine.AcceptValue();
}

void Instruments::cue(const QString& text)
{
    m_sound.beep();
    emit notice(text);
}

}  // namespace k7
