#pragma once
// Test doubles for instrument input (a port fed
// by hand, a clock moved by hand, results files with a chosen time) and the
// program around them: a CFG opened by the real open sequence, the entry
// engine and records saved in a real SQLite file.

#include "support/EntryRig.h"
#include "support/PtyPair.h"

#include "instruments/InstrumentPort.h"
#include "instruments/Instruments.h"
#include "instruments/SerialDevicePort.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QFile>
#include <QPointer>

namespace k7::test {

// A port whose input the test hands over with arrive().
class FakeInstrumentPort final : public InstrumentPort {
public:
    void arrive(const QByteArray& bytes)
    {
        m_waiting += bytes;
        emit received();
    }
    bool open(const QString&, const SerialSettings&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return {}; }
    QByteArray read(qint64 max) override
    {
        const QByteArray out = m_waiting.left(max);
        m_waiting.remove(0, out.size());
        return out;
    }
    qint64 bytesAvailable() const override { return m_waiting.size(); }

private:
    QByteArray m_waiting;
    bool m_open = false;
};

// A monotonic clock the test moves. fireEarly() runs every wait at once, as
// a timer that comes back early (the time of day set back, a resume) would.
class ManualClock final : public Clock {
public:
    qint64 monotonicMs() const override { return m_now; }
    void callAfter(qint64 ms, QObject* context, std::function<void()> fn) override
    {
        m_waits.append({m_now + ms, QPointer<QObject>(context), std::move(fn)});
    }
    void advance(qint64 ms)
    {
        m_now += ms;
        runDue(false);
    }
    void fireEarly() { runDue(true); }

private:
    struct Wait {
        qint64 at;
        QPointer<QObject> context;
        std::function<void()> fn;
    };
    void runDue(bool all)
    {
        // A wait may add waits; only those already due run now.
        const QList<Wait> waits = std::exchange(m_waits, {});
        for (const Wait& w : waits) {
            if (!all && w.at > m_now)
                m_waits.append(w);
            else if (w.context)
                w.fn();
        }
    }
    qint64 m_now = 1'000'000;
    QList<Wait> m_waits;
};

// Saves a results file with a modification time `secondsLater` after a fixed
// first save, so saves seconds apart need no sleeping.
inline void saveResults(const QString& path, const QByteArray& content, int secondsLater)
{
    QVERIFY(writeFile(path, content));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000 + secondsLater),
                          QFileDevice::FileModificationTime));
}

// The entry program with instruments: a CFG written and opened by the real
// open sequence, the instrument port opened when that sequence asks.
struct ProgramRig : EntryRig {
    explicit ProgramRig(std::unique_ptr<InstrumentPort> port = std::make_unique<SerialDevicePort>(),
                        std::shared_ptr<Clock> realClock = nullptr)
        : instruments(model, view, engine, dialogs, view,
                      [this](const QString& key) { return ini.value(key); }, std::move(port),
                      realClock ? realClock : clock)
    {
        shell.onOpenPort = [this] { instruments.openPort(); };
        QObject::connect(&instruments, &Instruments::notice, &instruments,
                         [this](const QString& text) { notices << text; });
    }

    // Opens as the window does: input waits until the first record is presented.
    bool open(const QByteArray& cfgText)
    {
        instruments.stopInput();
        if (!writeFile(model.cfgpath, cfgText) || !openCfg(model.cfgpath))
            return false;
        instruments.resumeInput();
        return true;
    }

    // One field of every saved row, in order, read through a connection of its own.
    QStringList column(const QString& field) const
    {
        return firstColumn(store.dbname(),
                           QStringLiteral("SELECT \"%1\" FROM \"%2\" ORDER BY rowid").arg(field, store.tablename()));
    }

    QString box() const { return view.boxText(Control::InstrumentBox); }
    // The ImageJ results file, saved `secondsLater` than a first save and
    // then looked at by the link's timer.
    QString results() const { return path(QStringLiteral("Results.txt")); }
    void saveAndTick(const QByteArray& content, int secondsLater)
    {
        saveResults(results(), content, secondsLater);
        instruments.imageJTick();
    }
    // Types into the instrument box and presses Enter, as a keyboard wedge does.
    void wedge(const QString& text)
    {
        view.type(Control::InstrumentBox, text);
        QVERIFY(instruments.instrumentKey(Key::Enter));
    }

    QHash<QString, QString> ini;
    QStringList notices;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    Instruments instruments;
};

// The program with a port the test feeds by hand.
struct FakePortRig : ProgramRig {
    explicit FakePortRig(FakeInstrumentPort* port = new FakeInstrumentPort, std::shared_ptr<Clock> realClock = nullptr)
        : ProgramRig(std::unique_ptr<InstrumentPort>(port), std::move(realClock)), fake(*port)
    {
    }
    FakeInstrumentPort& fake;
};

inline QByteArray caliperCfg(const QString& com, const QStringList& vars = {"LENGTH", "WIDTH"},
                      const QString& instrument = QStringLiteral("CALIPER"))
{
    QString text = QStringLiteral("[K7]\r\nCom=%1\r\nInstrument=%2\r\n").arg(com, instrument);
    for (const QString& v : vars)
        text += QStringLiteral("\r\n[%1]\r\nType=Instrument\r\nPrompt=%1 :\r\n").arg(v);
    return text.toUtf8();
}

inline QByteArray imagejCfg(const QString& results, const QString& delay, const QString& column = {})
{
    return QStringLiteral("[K7]\r\nImageJFile=%1\r\nDelaytime=%2\r\n\r\n"
                          "[AREA]\r\nType=ImageJ\r\nImageJ=%3\r\nPrompt=Area :\r\n")
        .arg(results, delay, column)
        .toUtf8();
}

}  // namespace k7::test
