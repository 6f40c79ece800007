#include "instruments/ComOption.h"

namespace k7 {

namespace {

// The integer at the start of `text` after blanks; 0 when there is none.
int leadingInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    qint64 n = 0;
    for (; i < text.size() && text.at(i).isDigit() && text.at(i).unicode() < 128; ++i) {
        n = n * 10 + (text.at(i).unicode() - u'0');
        if (n > 32767)  // beyond any port number; keeps the arithmetic in range
            return 0;
    }
    return static_cast<int>(n);
}

}  // namespace

QString ComOption::label() const
{
    return isDevicePath() ? port : QString::number(portNumber);
}

std::optional<ComOption> ParseComOption(const QString& com)
{
    const qsizetype colon = com.indexOf(u':');
    if (com.isEmpty() || colon < 0)
        return std::nullopt;

    ComOption out;
    out.port = com.left(colon);
    if (!out.isDevicePath())
        out.portNumber = leadingInteger(out.port.mid(3));

    out.settings = com.mid(colon + 1);
    const qsizetype op0 = out.settings.toUpper().indexOf(QStringLiteral(",OP0"));
    if (op0 >= 0)
        out.settings.truncate(op0);
    return out;
}

QString DeviceForPort(const ComOption& com, const IniLookup& ini)
{
    if (com.isDevicePath())
        return com.port;
    if (com.portNumber < 1)
        return {};
    const QString key = QStringLiteral("COM%1").arg(com.portNumber);
    const QString mapped = ini ? ini(key).trimmed() : QString();
    if (!mapped.isEmpty())
        return mapped;
    return QStringLiteral("/dev/ttyS%1").arg(com.portNumber - 1);
}

}  // namespace k7
