// Request parsing and reply writing of the simulated device. Pure functions over byte arrays;
// the server in DeviceSim.cpp feeds them the socket's bytes and writes what they return.
#include "Protocol.h"

#include <algorithm>

namespace ZelkSim {

namespace {

ParsedRequest invalid(ParsedRequest request, const QString &why)
{
    request.state = ParsedRequest::Invalid;
    request.error = why;
    return request;
}

bool isCommandName(const QByteArray &name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// Decimal digits without sign or leading zero, at most six of them; -1 otherwise.
int lengthValue(const QByteArray &digits)
{
    const bool allDigits =
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits.isEmpty() || digits.size() > 6 || !allDigits || (digits.size() > 1 && digits.front() == '0'))
        return -1;
    return digits.toInt();
}

QString valueFor(const Element &e, Malformed malformed)
{
    const bool spoil = malformed == Malformed::BadValues && e.name != QLatin1String("ERROR_CODE") &&
                       e.name != QLatin1String("ERROR_DESCRIPTION");
    return spoil ? QLatin1Char('#') + e.value : e.value;
}

QByteArray trailer(int count)
{
    QByteArray t;
    for (int i = 0; i < count; ++i)
        t += i % 2 == 0 ? '\r' : '\n';
    return t;
}

} // namespace

QStringList commandNames()
{
    return {QStringLiteral("GetRTStatus"),     QStringLiteral("SetOutput"),  QStringLiteral("StartSample"),
            QStringLiteral("GetFastSampling"), QStringLiteral("StopSample"), QStringLiteral("ch1_switch"),
            QStringLiteral("ch2_switch")};
}

bool isKnownCommand(const QString &command)
{
    return commandNames().contains(command);
}

ParsedRequest parseRequest(const QByteArray &data)
{
    static const QByteArray start("POST /");
    static const QByteArray lengthHeader("Content-Length: ");
    ParsedRequest r;
    if (!start.startsWith(data.left(start.size())))
        return invalid(r, QStringLiteral("request line must start with POST /"));
    const qsizetype headerEnd = data.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return data.size() > MaxHeaderBytes ? invalid(r, QStringLiteral("request header too long")) : r;

    const qsizetype lineEnd = data.indexOf("\r\n");
    const QByteArray name = data.mid(start.size(), lineEnd - start.size());
    if (!isCommandName(name))
        return invalid(r, QStringLiteral("bad request line"));
    r.command = QString::fromLatin1(name);
    if (lineEnd == headerEnd)
        return invalid(r, QStringLiteral("Content-Length header missing"));
    const QByteArray header = data.mid(lineEnd + 2, headerEnd - lineEnd - 2);
    if (header.contains("\r\n"))
        return invalid(r, QStringLiteral("only the Content-Length header is expected"));
    const int length = header.startsWith(lengthHeader) ? lengthValue(header.mid(lengthHeader.size())) : -1;
    if (length < 0)
        return invalid(r, QStringLiteral("bad Content-Length header"));
    if (length > MaxBodyBytes)
        return invalid(r, QStringLiteral("body too long"));

    r.headerComplete = true;
    const qsizetype bodyStart = headerEnd + 4;
    const qsizetype needed = bodyStart + length + 2;
    if (data.size() < needed)
        return r;
    if (data.size() > needed)
        return invalid(r, QStringLiteral("data after the request"));
    if (data.mid(bodyStart + length, 2) != "\r\n")
        return invalid(r, QStringLiteral("body does not match Content-Length"));
    r.body = data.mid(bodyStart, length);
    r.state = ParsedRequest::Complete;
    return r;
}

std::optional<Malformed> malformedFromName(const QString &name)
{
    static const QList<QPair<QString, Malformed>> names = {
        {QStringLiteral("unclosed"), Malformed::UnclosedElements},
        {QStringLiteral("no-prolog"), Malformed::NoProlog},
        {QStringLiteral("wrong-prolog"), Malformed::WrongProlog},
        {QStringLiteral("no-root-close"), Malformed::NoRootClose},
        {QStringLiteral("bad-values"), Malformed::BadValues}};
    for (const auto &[text, kind] : names) {
        if (text == name)
            return kind;
    }
    return std::nullopt;
}

QByteArray statusHeader(int httpStatus)
{
    const QByteArray reason = httpStatus == 200 ? "OK" : "Bad Request";
    return "HTTP/1.0 " + QByteArray::number(httpStatus) + ' ' + reason + "\r\nContent-Type: text/xml\r\n\r\n";
}

QByteArray replyDocument(const QString &root, const Elements &elements, const ReplyShape &shape)
{
    QByteArray children;
    for (const Element &e : elements) {
        children += '<' + e.name.toLatin1() + '>' + valueFor(e, shape.malformed).toLatin1();
        if (shape.malformed != Malformed::UnclosedElements)
            children += "</" + e.name.toLatin1() + '>';
    }
    QByteArray prolog = Prolog;
    if (shape.malformed == Malformed::NoProlog)
        prolog.clear();
    else if (shape.malformed == Malformed::WrongProlog)
        prolog = "<?xml version=\"1.0\"?>";
    const QByteArray open = '<' + root.toLatin1() + '>';
    const QByteArray close =
        shape.malformed == Malformed::NoRootClose ? QByteArray() : "</" + root.toLatin1() + '>';
    const QByteArray tail = trailer(shape.trailerChars);

    const qint64 natural = statusHeader(shape.httpStatus).size() + prolog.size() + open.size() +
                           children.size() + close.size() + tail.size();
    QByteArray pad;
    if (shape.padToBytes > natural)
        pad = "<PAD>" + QByteArray(std::max<qint64>(0, shape.padToBytes - natural - 11), 'x') + "</PAD>";
    return prolog + open + pad + children + close + tail;
}

QByteArray replyBytes(const QString &root, const Elements &elements, const ReplyShape &shape)
{
    return statusHeader(shape.httpStatus) + replyDocument(root, elements, shape);
}

QList<QByteArray> splitAfterProlog(const QByteArray &reply)
{
    const qsizetype prolog = reply.indexOf("<?xml");
    const qsizetype cut = prolog < 0 ? reply.indexOf("\r\n\r\n") + 4 : reply.indexOf("?>", prolog) + 2;
    if (cut <= 3 || cut >= reply.size())
        return {reply};
    return {reply.left(cut), reply.mid(cut)};
}

QList<QByteArray> splitInChunks(const QByteArray &reply, int chunkBytes)
{
    const int n = std::max(1, chunkBytes);
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < reply.size(); at += n)
        pieces << reply.mid(at, n);
    return pieces;
}

} // namespace ZelkSim
