#pragma once
// Receive handling of the instrument port: every printable character goes
// into the instrument box (the first one after a presentation replaces the
// placeholder or old reading), carriage returns, blanks and other control
// characters are dropped, and a line feed accepts the presented variable.
// Input that arrives while no instrument variable is presented is dropped.

#include <QObject>

#include <functional>

namespace k7 {

class EntryView;
class InstrumentPort;

class InstrumentReceiver : public QObject {
    Q_OBJECT
public:
    // `devicewait` is the record state's flag; `accept` runs the accept
    // action (AcceptValue, as if Enter had been pressed).
    InstrumentReceiver(InstrumentPort& port, EntryView& view, bool& devicewait,
                       std::function<void()> accept, QObject* parent = nullptr);

    // While held (the ImageJ pause) input stays waiting in the port; releasing
    // works off what arrived meanwhile.
    void setHeld(bool held);
    bool held() const { return m_held; }

    // Works off every waiting character. Connected to the port's received().
    void drain();

private:
    void takeCharacter(char c);

    InstrumentPort& m_port;
    EntryView& m_view;
    bool& m_devicewait;
    std::function<void()> m_accept;
    bool m_held = false;
    bool m_draining = false;
};

}  // namespace k7
