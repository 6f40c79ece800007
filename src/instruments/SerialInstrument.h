#pragma once
// The instrument port of the open CFG: opened from the Com option when a CFG
// has been opened, closed before the next one, and reported to the operator
// when it cannot be opened or goes away in the middle of a session. Either
// way entry goes on: instrument values can still be typed. A device that went
// away can be reconnected by command, and reconnection is offered once the
// same device is there again.

#include "instruments/ComOption.h"
#include "instruments/SerialSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace k7 {

class Dialogs;
class InstrumentPort;

class SerialInstrument : public QObject {
    Q_OBJECT
public:
    // How often the device of a lost port is looked for.
    static constexpr int kWatchMs = 1000;

    SerialInstrument(InstrumentPort& port, Dialogs& dialogs, IniLookup ini,
                     QObject* parent = nullptr);

    // Port opening for a CFG whose Com option is `com`. Closes the port of
    // the previous CFG first, also when this one asks for none. Returns
    // whether a port is open afterwards.
    [[nodiscard]] bool OpenPort(const QString& com);
    // Closes the port and forgets it: nothing is watched or reconnected.
    void close();
    // Opens the last port asked for again (after it was lost). False when
    // there is none or it cannot be opened (reported).
    [[nodiscard]] bool reconnect();

    bool isOpen() const;
    // The settings of the port last opened (its line end among them).
    const SerialSettings& settings() const { return m_settings; }

signals:
    // The port was opened again after being lost.
    void reconnected();

private:
    [[nodiscard]] bool openDevice();
    void onLost(const QString& reason);
    void watchForDevice();
    void reportOpenFailure(const QString& reason);

    InstrumentPort& m_port;
    Dialogs& m_dialogs;
    IniLookup m_ini;
    std::optional<ComOption> m_com;
    SerialSettings m_settings;
    QString m_device;
    QTimer m_watch;
    // Counts openings, so a loss reported late never closes a newer port.
    quint64 m_opening = 0;
};

}  // namespace k7
