#pragma once
// The instrument port of the open CFG: opened from the Com option when a CFG
// has been opened, closed before the next one, and reported to the operator
// when it cannot be opened or goes away in the middle of a session. Either
// way entry goes on: instrument values can still be typed.

#include "instruments/ComOption.h"

#include <QObject>
#include <QString>

#include <optional>

namespace k7 {

class Dialogs;
class InstrumentPort;

class SerialInstrument : public QObject {
    Q_OBJECT
public:
    SerialInstrument(InstrumentPort& port, Dialogs& dialogs, IniLookup ini,
                     QObject* parent = nullptr);

    // Port opening for a CFG whose Com option is `com`. Closes the port of
    // the previous CFG first, also when this one asks for none. Returns
    // whether a port is open afterwards.
    bool OpenPort(const QString& com);
    void close();

    bool isOpen() const;

private:
    void onLost(const QString& reason);
    void reportOpenFailure(const QString& reason);

    InstrumentPort& m_port;
    Dialogs& m_dialogs;
    IniLookup m_ini;
    std::optional<ComOption> m_com;
    // Counts openings, so a loss reported late never closes a newer port.
    quint64 m_opening = 0;
};

}  // namespace k7
