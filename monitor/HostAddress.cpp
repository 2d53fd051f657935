// The device address: host with an optional ":port" (default 80).
// A text whose port part is not a number from 1 to 65535 is taken whole as the host name.
#include "HostAddress.h"

namespace HostAddress {

namespace {
bool portNumber(const QString &text, std::uint16_t &port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < 1 || value > 65535 || text.startsWith(QLatin1Char('+')))
        return false;
    port = std::uint16_t(value);
    return true;
}
} // namespace

Endpoint parse(const QString &text)
{
    const QString t = text.trimmed();
    Endpoint e;
    e.host = t;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close > 0) {
            e.host = t.mid(1, close - 1);
            const QString rest = t.mid(close + 1);
            std::uint16_t port = DevicePort;
            if (rest.startsWith(QLatin1Char(':')) && portNumber(rest.mid(1), port))
                e.port = port;
        }
        return e;
    }
    if (t.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = t.indexOf(QLatin1Char(':'));
        std::uint16_t port = DevicePort;
        if (portNumber(t.mid(colon + 1), port)) {
            e.host = t.left(colon);
            e.port = port;
        }
    }
    return e;
}

} // namespace HostAddress
