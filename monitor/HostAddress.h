// The device address as typed in the address box: a plain host means port 80, "host:port" names the
// port (so a stand-in can listen on a free port without root), "[v6]:port" for IPv6 literals.
#pragma once

#include <QString>
#include <cstdint>

namespace HostAddress {

constexpr std::uint16_t DevicePort = 80;

struct Endpoint {
    QString host;
    std::uint16_t port = DevicePort;
};

Endpoint parse(const QString &text);

} // namespace HostAddress
