// The device's server: accepts connections, reads one request on each, answers from the model with
// the active faults applied, then closes. Also the request log and the run-time switches for tests.
#include "DeviceSim.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace ZelkSim {

namespace {

const FaultSpec *findFault(const QList<FaultSpec> &faults, Fault fault)
{
    for (const FaultSpec &f : faults) {
        if (f.fault == fault)
            return &f;
    }
    return nullptr;
}

Elements okElements(int code = 0, const QString &description = QStringLiteral("OK"))
{
    return {{QStringLiteral("ERROR_CODE"), QString::number(code)},
            {QStringLiteral("ERROR_DESCRIPTION"), description}};
}

void setValue(Elements &elements, const QString &name, const QString &value)
{
    for (Element &e : elements) {
        if (e.name == name)
            e.value = value;
    }
}

// JSON string of raw bytes: each byte becomes the character of the same code (Latin-1).
QByteArray jsonString(const QByteArray &bytes)
{
    QByteArray out("\"");
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
            out += '\\' + QByteArray(1, ch);
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c >= 0x7F)
            out += "\\u00" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += ch;
    }
    return out + '"';
}

bool isReadingElement(const Element &e)
{
    static const QRegularExpression reading(QStringLiteral("^W[0-9]+$"));
    return reading.match(e.name).hasMatch();
}

} // namespace

// One connection: gathers the request, then writes the reply piece by piece and closes.
class DeviceSim::Exchange : public QObject {
public:
    Exchange(DeviceSim *sim, QTcpSocket *socket) : QObject(sim), m_sim(sim), m_socket(socket)
    {
        socket->setParent(this);
        // Each write goes out at once, so the writes of a reply reach the peer as separate segments.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_timer.setSingleShot(true);
        connect(socket, &QTcpSocket::readyRead, this, &Exchange::onReadyRead);
        connect(socket, &QTcpSocket::bytesWritten, this, &Exchange::onBytesWritten);
        ++sim->m_openConnections;
        connect(socket, &QTcpSocket::disconnected, this, [this] {
            --m_sim->m_openConnections;
            deleteLater();
        });
        connect(&m_timer, &QTimer::timeout, this, [this] { m_onTimer(); });
        m_onTimer = [this] { onRequestTimeout(); };
        m_timer.start(sim->m_requestTimeoutMs);
    }

    QTcpSocket *socket() const { return m_socket; }

    // Answers after `delayMs`: the reply is built then (fast sampling may ask to be asked again later).
    void answerAfter(int delayMs, QList<FaultSpec> faults, const QString &command, const QByteArray &body,
                     std::optional<Reply> fixedReply)
    {
        m_faults = std::move(faults);
        m_command = command;
        m_body = body;
        m_fixed = std::move(fixedReply);
        m_onTimer = [this] { buildAndSend(); };
        m_timer.start(delayMs);
    }

private:
    void onReadyRead()
    {
        const QByteArray data = m_socket->readAll();
        if (m_decided)
            return;
        m_raw += data;
        const ParsedRequest request = parseRequest(m_raw);
        if (request.state == ParsedRequest::Incomplete)
            return;
        decide(request, BadFraming);
    }

    void onRequestTimeout()
    {
        if (m_raw.isEmpty()) {
            m_decided = true;
            m_socket->disconnectFromHost();
            return;
        }
        ParsedRequest request = parseRequest(m_raw);
        request.state = ParsedRequest::Invalid;
        request.error = request.headerComplete ? QStringLiteral("body shorter than Content-Length")
                                               : QStringLiteral("request header incomplete");
        decide(request, IncompleteRequest);
    }

    void decide(const ParsedRequest &request, int failCode)
    {
        m_decided = true;
        m_timer.stop();
        m_sim->onRequest(this, request, m_raw, failCode);
    }

    void buildAndSend()
    {
        // A peer that has gone takes nothing: a batch is not handed over into a closed connection.
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        Reply reply = m_fixed ? *m_fixed : m_sim->replyFor(m_command, m_body);
        if (reply.waitMs > 0) {
            m_timer.start(reply.waitMs);
            return;
        }
        // The rest follows the header-with-prolog write at once; a device on a slow link pauses
        // between them (the stall fault, `stall=2` as such a device does).
        const FaultSpec *stall = findFault(m_faults, Fault::Stall);
        m_stallMs = stall ? stall->param : 0;
        m_pieces = m_sim->replyPieces(reply, m_faults);
        m_onTimer = [this] { writeNext(); };
        writeNext();
    }

    void writeNext()
    {
        if (m_next >= m_pieces.size())
            return;
        m_socket->write(m_pieces.at(m_next++));
    }

    void onBytesWritten()
    {
        if (m_socket->bytesToWrite() > 0 || m_timer.isActive() || m_pieces.isEmpty())
            return;
        if (m_next < m_pieces.size()) {
            // each piece in a write of its own once the one before has gone; a stall waits first
            const int pauseMs = m_next == 1 ? m_stallMs : 0;
            if (pauseMs > 0)
                m_timer.start(pauseMs);
            else
                writeNext();
            return;
        }
        m_pieces.clear();
        emit m_sim->replySent(m_command);
        m_socket->disconnectFromHost();
    }

    DeviceSim *m_sim;
    QTcpSocket *m_socket;
    QTimer m_timer;
    std::function<void()> m_onTimer;
    QByteArray m_raw;
    bool m_decided = false;
    QList<FaultSpec> m_faults;
    QString m_command;
    QByteArray m_body;
    std::optional<Reply> m_fixed;
    QList<QByteArray> m_pieces;
    int m_next = 0;
    int m_stallMs = 0;
};

DeviceSim::DeviceSim(const ModelConfig &config, QObject *parent) : QObject(parent), m_state(config)
{
    m_clock.start();
}

DeviceSim::~DeviceSim() = default;

bool DeviceSim::listen(const QHostAddress &address, quint16 port)
{
    if (!m_server) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &DeviceSim::onNewConnection);
    }
    m_server->close();
    if (!m_server->listen(address, port)) {
        m_error = m_server->errorString();
        return false;
    }
    m_address = address;
    m_port = m_server->serverPort();
    m_wantListen = true;
    updateListening();
    return true;
}

void DeviceSim::close()
{
    m_wantListen = false;
    updateListening();
}

bool DeviceSim::isListening() const
{
    return m_server && m_server->isListening();
}

bool DeviceSim::refusing() const
{
    return findFault(m_faults, Fault::RefuseConnections) != nullptr;
}

// Refusing connections closes the listening socket; the port is kept and taken up again afterwards.
void DeviceSim::updateListening()
{
    if (!m_server)
        return;
    const bool want = m_wantListen && !refusing();
    if (!want) {
        m_server->close();
        return;
    }
    if (!m_server->isListening() && !m_server->listen(m_address, m_port))
        m_error = m_server->errorString();
}

void DeviceSim::setFault(Fault fault, int param, const QString &text)
{
    FaultSpec faultSpec;
    faultSpec.fault = fault;
    faultSpec.param = param;
    faultSpec.text = text;
    setFault(faultSpec);
}

void DeviceSim::setFault(const FaultSpec &faultSpec)
{
    clearFault(faultSpec.fault);
    m_faults << faultSpec;
    updateListening();
}

void DeviceSim::clearFault()
{
    m_faults.clear();
    updateListening();
}

void DeviceSim::clearFault(Fault fault)
{
    m_faults.removeIf([fault](const FaultSpec &f) { return f.fault == fault; });
    updateListening();
}

void DeviceSim::setElement(const QString &name, const QString &text, const QString &command)
{
    m_overrides[command].append({name, text});
}

void DeviceSim::omitElement(const QString &name, const QString &command)
{
    m_overrides[command].append({name, std::nullopt});
}

bool DeviceSim::setLogFile(const QString &path)
{
    m_log.reset();
    if (path.isEmpty())
        return true;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = file->errorString();
        return false;
    }
    m_log = std::move(file);
    return true;
}

void DeviceSim::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection())
        new Exchange(this, socket);
}

void DeviceSim::record(const RequestRecord &rec)
{
    if (m_requests.size() >= RequestHistory)
        m_requests.remove(0, RequestHistory / 2); // amortised: half the history at a time
    m_requests << rec;
    if (m_log) {
        QByteArray line = "{\"n\":" + QByteArray::number(rec.n) + ",\"raw\":" + jsonString(rec.raw) +
                          ",\"command\":" + jsonString(rec.command.toLatin1()) +
                          ",\"body\":" + jsonString(rec.body);
        if (!rec.error.isEmpty())
            line += ",\"error\":" + jsonString(rec.error.toLatin1());
        m_log->write(line + "}\n");
        m_log->flush();
    }
    emit requestReceived(rec);
}

// The faults that apply to one request of `command`; those with a count use up one.
QList<FaultSpec> DeviceSim::takeFaults(const QString &command)
{
    QList<FaultSpec> applicable;
    for (FaultSpec &f : m_faults) {
        if (f.fault == Fault::RefuseConnections || (!f.command.isEmpty() && f.command != command))
            continue;
        applicable << f;
        if (f.count > 0)
            --f.count;
    }
    m_faults.removeIf([](const FaultSpec &f) { return f.count == 0; });
    updateListening();
    return applicable;
}

void DeviceSim::onRequest(Exchange *exchange, const ParsedRequest &request, const QByteArray &raw,
                          int failCode)
{
    RequestRecord rec;
    rec.n = ++m_requestCount;
    // a copy of its own: `raw` may share a read buffer many times its size
    rec.raw = QByteArray(raw.constData(), raw.size());
    rec.command = request.command;
    rec.body = request.body;
    std::optional<Reply> fixed;
    if (request.state == ParsedRequest::Complete && !isKnownCommand(request.command)) {
        rec.error = QStringLiteral("unknown command");
        failCode = UnknownCommand;
    } else if (request.state != ParsedRequest::Complete) {
        rec.error = request.error;
    }
    if (!rec.error.isEmpty()) {
        const QString root = request.command.isEmpty() ? QStringLiteral("Error") : request.command;
        fixed = Reply{root, okElements(failCode, QStringLiteral("Bad request: ") + rec.error), 0,
                      failCode == UnknownCommand ? 200 : 400};
    }
    record(rec);

    const QList<FaultSpec> faults = takeFaults(request.command);
    if (findFault(faults, Fault::NeverAnswer))
        return;
    if (findFault(faults, Fault::CloseWithoutAnswer)) {
        exchange->socket()->disconnectFromHost();
        return;
    }
    const FaultSpec *slow = findFault(faults, Fault::SlowReply);
    exchange->answerAfter(slow ? slow->param : 0, faults, request.command, request.body, fixed);
}

DeviceSim::Reply DeviceSim::replyFor(const QString &command, const QByteArray &body)
{
    const qint64 now = deviceTimeMs();
    Reply reply;
    if (command == QLatin1String("GetRTStatus")) {
        reply = statusReply();
    } else if (command == QLatin1String("SetOutput")) {
        reply = setOutputReply(body);
    } else if (command == QLatin1String("GetFastSampling")) {
        reply = fastSamplingReply();
    } else if (command == QLatin1String("ch1_switch") || command == QLatin1String("ch2_switch")) {
        reply = channelReply(command.at(2).digitValue());
    } else {
        if (command == QLatin1String("StartSample"))
            m_state.startSampling(now);
        else
            m_state.stopSampling(now);
        reply.elements = okElements();
    }
    reply.root = command;
    applyOverrides(reply);
    return reply;
}

DeviceSim::Reply DeviceSim::statusReply()
{
    const StatusSnapshot s = m_state.status(deviceTimeMs());
    Reply reply;
    reply.elements = okElements();
    reply.elements << Element{QStringLiteral("A2D"), QString::number(s.a2d)}
                   << Element{QStringLiteral("OUT_STATUS"), QString::number(s.outWord)}
                   << Element{QStringLiteral("IN_STATUS"), QString::number(s.inWord)}
                   << Element{QStringLiteral("WEIGHT"), weightText(s.weight)}
                   << Element{QStringLiteral("INTEGRATION"), QString::number(s.integrationMs)}
                   << Element{QStringLiteral("UNIT"), s.unit}
                   << Element{QStringLiteral("CHANNEL"), QString::number(s.channel)}
                   << Element{QStringLiteral("SP_STATUS"), QString::number(s.spStatus)};
    return reply;
}

DeviceSim::Reply DeviceSim::setOutputReply(const QByteArray &body)
{
    Reply reply;
    QString error;
    const std::optional<OutputRequest> request = parseSetOutputBody(QString::fromLatin1(body), &error);
    if (!request) {
        reply.elements = okElements(BadParameter, error);
        return reply;
    }
    m_state.applyOutputRequest(*request);
    reply.elements = okElements();
    reply.elements << Element{QStringLiteral("OUT_STATUS_ECHO"),
                              QString::number(m_state.outputWord(deviceTimeMs()))};
    return reply;
}

DeviceSim::Reply DeviceSim::fastSamplingReply()
{
    Reply reply;
    const Batch batch = m_state.takeBatch(deviceTimeMs());
    if (batch.kind == Batch::Wait) {
        reply.waitMs = batch.waitMs;
    } else if (batch.kind == Batch::Finished) {
        reply.elements = okElements(SamplingFinished, QStringLiteral("Sampling finished"));
    } else {
        reply.elements = okElements();
        for (int i = 0; i < batch.readings.size(); ++i)
            reply.elements << Element{QLatin1Char('W') + QString::number(i), batch.readings.at(i)};
    }
    return reply;
}

DeviceSim::Reply DeviceSim::channelReply(int channel)
{
    Reply reply;
    if (m_state.samplingActive(deviceTimeMs())) {
        reply.elements = okElements(Busy, QStringLiteral("Sampling in progress"));
        return reply;
    }
    m_state.setChannel(channel);
    reply.elements = okElements();
    reply.elements << Element{QStringLiteral("CHANNEL"), QString::number(channel)};
    return reply;
}

// Overridden elements keep their place; new ones go before the readings, which must stay last.
void DeviceSim::applyOverrides(Reply &reply) const
{
    for (const auto &[name, text] : m_overrides.value(reply.root)) {
        const auto same = [&name](const Element &e) { return e.name == name; };
        const auto found = std::find_if(reply.elements.begin(), reply.elements.end(), same);
        if (!text) {
            reply.elements.removeIf(same);
        } else if (found != reply.elements.end()) {
            found->value = *text;
        } else {
            const auto reading = std::find_if(reply.elements.begin(), reply.elements.end(), isReadingElement);
            reply.elements.insert(reading - reply.elements.begin(), Element{name, *text});
        }
    }
}

QList<QByteArray> DeviceSim::replyPieces(const Reply &reply, const QList<FaultSpec> &faults)
{
    ReplyShape shape;
    shape.httpStatus = reply.httpStatus;
    Elements elements = reply.elements;
    if (const FaultSpec *f = findFault(faults, Fault::ErrorCode)) {
        setValue(elements, QStringLiteral("ERROR_CODE"), QString::number(f->param));
        setValue(elements, QStringLiteral("ERROR_DESCRIPTION"), f->text);
    }
    if (const FaultSpec *f = findFault(faults, Fault::TrailerCount))
        shape.trailerChars = std::max(0, f->param);
    if (const FaultSpec *f = findFault(faults, Fault::MalformedXml))
        shape.malformed = f->param == 0 ? Malformed::UnclosedElements : Malformed(f->param);
    if (const FaultSpec *f = findFault(faults, Fault::Oversized))
        shape.padToBytes = f->param;

    const QByteArray bytes = m_rawReplies.isEmpty() ? replyBytes(reply.root, elements, shape)
                                                    : statusHeader(200) + m_rawReplies.takeFirst();
    if (const FaultSpec *f = findFault(faults, Fault::Chunked))
        return splitInChunks(bytes, f->param);
    if (findFault(faults, Fault::OneWrite))
        return {bytes};
    return splitAfterProlog(bytes);
}

} // namespace ZelkSim
