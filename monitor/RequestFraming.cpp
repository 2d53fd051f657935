// Requests to the device: command names, the body rule applied at send time and the request bytes.
// Pure functions; the window's Send2Server hands the three writes to the socket.
#include "RequestFraming.h"

namespace Framing {

QString channelCommand(int channel)
{
    return QStringLiteral("ch") + QString::number(channel) + QStringLiteral("_switch");
}

QString bodyAtSendTime(const QString &function, const QString &pending)
{
    if (function == GetFastSampling || function == GetRTStatus)
        return UnitBody;
    if (function == channelCommand(1) || function == channelCommand(2) || function == SetOutput)
        return pending;
    return QString();
}

QString setOutputBody(std::int16_t outputWord, const QString &setPoint)
{
    return QStringLiteral("ID=4&OUT_STATUS=") + QString::number(outputWord) + QStringLiteral("&SET_POINT=") +
           setPoint;
}

std::array<QByteArray, 3> requestWrites(const QString &function, const QString &body)
{
    const QByteArray crlf("\r\n");
    return {QByteArray("POST /") + function.toLatin1() + crlf,
            QByteArray("Content-Length: ") + QByteArray::number(body.size()) + crlf + crlf,
            body.toLatin1() + crlf};
}

} // namespace Framing
