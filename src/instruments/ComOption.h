#pragma once
// The Com option of a CFG ("COM2:9600,N,8,1", "/dev/ttyUSB0:9600,N,8,1"):
// which port the instrument is on and how it talks.

#include <QString>

#include <functional>
#include <optional>

namespace k7 {

struct ComOption {
    QString port;        // the text before the first ":"
    int portNumber = 0;  // n of "COMn"; 0 for a device path
    QString settings;    // the text after the first ":", without ",OP0" and what follows

    bool isDevicePath() const { return port.startsWith(u'/'); }
    // How messages name the port: its number, or the device path.
    QString label() const;
};

// Nothing when the option asks for no port (empty, or without ":").
[[nodiscard]] std::optional<ComOption> ParseComOption(const QString& com);

// Looks up a key of k7.ini ("COM2"); empty when the key is absent.
using IniLookup = std::function<QString(const QString& key)>;

// The device to open: a device path as written; COMn as the k7.ini key COMn
// names it, else /dev/ttyS(n-1). Empty when COMn has no usable number.
QString DeviceForPort(const ComOption& com, const IniLookup& ini);

}  // namespace k7
