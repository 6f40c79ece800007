#pragma once
// Receive handling of the instrument port. Every waiting byte is taken off
// the port before any reading is worked through. Printable characters go
// into the instrument box (the first one after a presentation replaces the
// placeholder or old reading); every other byte is kept in the line as
// received but not shown. A line feed (or, where the port asks for it, a
// carriage return) ends the reading: the line is judged (JudgeReadingLine),
// the number it holds is checked against the variable (its Length and its
// field), and a usable reading is accepted as if Enter had been pressed.
//
// Nothing is lost without a word: a reading refused by the device's own
// flags, one without a number or with more than one, one too long, one
// the variable cannot hold, and one that arrives while no instrument
// variable is presented each give the operator a cue (a beep and a note
// naming it). A line end with no reading before it is ignored.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

namespace k7 {

class EntryView;
class InstrumentPort;

// The record state's devicewait flag, as the receiver uses it: taken (read
// and ended) when a reading begins, put back when that reading is refused.
struct DeviceWait {
    std::function<bool()> take;
    std::function<void(bool)> restore;

    // A flag of the caller's own, for a receiver used on its own.
    static DeviceWait of(bool& flag)
    {
        return {[&flag] { return std::exchange(flag, false); }, [&flag](bool wait) { flag = wait; }};
    }
};

class InstrumentReceiver : public QObject {
    Q_OBJECT
public:
    // A reading holds at most this many bytes; the rest of an overlong
    // line (a wrong baud rate, a device that never sends a line end) is
    // dropped and the reading refused, so each character costs the same.
    static constexpr int kMaxReading = 255;

    // `devicewait` reaches the record state's flag; `accept` runs the accept
    // action (AcceptValue, as if Enter had been pressed); `cue` beeps and
    // tells the operator about a reading that was not taken.
    InstrumentReceiver(InstrumentPort& port, EntryView& view, DeviceWait devicewait,
                       std::function<void()> accept, std::function<void(const QString&)> cue,
                       QObject* parent = nullptr);

    // While held (the ImageJ pause, a CFG being opened) input is taken off the
    // port but waits; releasing works off what arrived meanwhile.
    void setHeld(bool held);
    bool held() const { return m_held; }
    // A carriage return alone ends a reading (devices that send no line feed).
    void setCarriageReturnEnds(bool on) { m_crEnds = on; }
    // Readings the device calls unstable are refused (the default).
    void setRefuseUnstable(bool on) { m_refuseUnstable = on; }
    // Says why a reading's number (as JudgeReadingLine gives it) cannot be
    // the presented variable's value; empty when it can. None: every number can.
    void setValueCheck(std::function<QString(const QString& number)> check) { m_valueCheck = std::move(check); }

    // The operator's Enter (or Next) while a device reading is still on its
    // way (a device that ends lines with CR alone on a port not told so) ends
    // that reading as a line feed would, so the line is judged rather than
    // the box's text taken. False, and the reading forgotten, when the
    // operator has typed over it; false when there is none.
    bool endReadingOnItsWay();

    // Forgets every byte not yet worked off, and the reading in progress.
    // Returns how many whole readings that drops.
    int discard();

    // Takes what waits on the port and works it off. Connected to the port's
    // received() and lost().
    void drain();

private:
    void takeWaiting();
    void takeCharacter(char c);
    void beginReading();
    void showReading();
    void endReading();
    void refuse(const QString& line, const QString& why);
    bool instrumentPresented() const;

    InstrumentPort& m_port;
    EntryView& m_view;
    DeviceWait m_devicewait;
    std::function<void()> m_accept;
    std::function<void(const QString&)> m_cue;
    std::function<QString(const QString&)> m_valueCheck;
    bool m_held = false;
    bool m_draining = false;
    bool m_crEnds = false;
    bool m_refuseUnstable = true;

    QByteArray m_pending;  // taken off the port, not yet worked off
    qsizetype m_next = 0;  // the first byte of m_pending still to work off

    // The reading in progress.
    bool m_reading = false;
    bool m_forBox = false;     // began while an instrument variable was presented
    QByteArray m_line;         // as received, blanks and other bytes included
    QString m_shown;           // what the box shows: its old text (if kept) and the characters
    QString m_boxBefore;       // restored when the reading is refused
    bool m_waitBefore = false;
    bool m_overlong = false;
    bool m_boxStale = false;
};

}  // namespace k7
