// Requests to the device: the command names, the body each command carries at send time and the
// exact bytes of a request (request line, length header, body), written as three separate writes.
#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace Framing {

// Command names: the request path and the root element of the device's reply.
inline const QString GetRTStatus = QStringLiteral("GetRTStatus");
inline const QString GetFastSampling = QStringLiteral("GetFastSampling");
inline const QString StartSample = QStringLiteral("StartSample");
inline const QString StopSample = QStringLiteral("StopSample");
inline const QString SetOutput = QStringLiteral("SetOutput");

// The fixed body of the status and batch requests: the monitor always addresses unit 4.
inline const QString UnitBody = QStringLiteral("ID=4");

// "ch" + channel + "_switch".
QString channelCommand(int channel);

// The body that goes out for `function`, given what the starter left in `pending`: "ID=4" for the status
// and batch requests, empty for the sampling start/stop and unknown names, unchanged for SetOutput and
// the channel commands.
QString bodyAtSendTime(const QString &function, const QString &pending);

// "ID=4&OUT_STATUS=" + word + "&SET_POINT=" + set point as typed.
QString setOutputBody(std::int16_t outputWord, const QString &setPoint);

// The three writes of one request: "POST /name\r\n", "Content-Length: n\r\n\r\n", "body\r\n".
// Texts go out as single-byte characters.
std::array<QByteArray, 3> requestWrites(const QString &function, const QString &body);

} // namespace Framing
