// zelk-devicesim's server: a single-threaded QTcpServer that answers the monitor's requests as the
// weighing and I/O controller does, one request per connection, with switchable faults for tests.
//
// Reply text (four trailing characters CR LF CR LF after the closing root tag):
//   HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<?xml version='1.0' ?><GetRTStatus>
//   <ERROR_CODE>0</ERROR_CODE><ERROR_DESCRIPTION>OK</ERROR_DESCRIPTION><A2D>16345</A2D>
//   <OUT_STATUS>1023</OUT_STATUS><IN_STATUS>254</IN_STATUS><WEIGHT>12.345</WEIGHT>
//   <INTEGRATION>2</INTEGRATION><UNIT>KG</UNIT><CHANNEL>1</CHANNEL><SP_STATUS>0</SP_STATUS></GetRTStatus>\r\n\r\n
// (one line on the wire). Elements per reply, after ERROR_CODE and ERROR_DESCRIPTION:
//   GetRTStatus      A2D OUT_STATUS IN_STATUS WEIGHT INTEGRATION UNIT CHANNEL SP_STATUS
//   SetOutput        OUT_STATUS_ECHO (the output word as now driven)
//   GetFastSampling  W0 .. Wn, last, directly before </GetFastSampling> (at most 232 readings;
//                    none, with ERROR_CODE 200, once the run's last reading was handed over)
//   StartSample, StopSample  nothing else
//   ch1_switch, ch2_switch   CHANNEL
// Set point: SetOutput with output 10 requested on (bit 512 clear) and SET_POINT a number >= 0 arms it;
// while channel 1 weighs at least the set point, SP_STATUS is 1 and output 10 is on, else 0 and off.
// Fast sampling: StartSample records one reading per INTEGRATION ms for the run length (wall time);
// reading k depends only on the seed, the run number and k. StopSample ends the run at what was recorded.
// A request the device does not understand gets ERROR_CODE 1 (framing), 2 (unknown command),
// 3 (request incomplete after the body time-out), 4 (bad SetOutput body) or 5 (channel switch while
// sampling), with a description; its root element is the command when one was read, else "Error".
// By default a reply goes out in two writes, one right after the other: the status header with the
// prolog, then the rest (the stall fault pauses between them).
#pragma once

#include "DeviceModel.h"
#include "Protocol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace ZelkSim {

enum class Fault {
    NeverAnswer,        // read the request, keep the connection open, never answer
    CloseWithoutAnswer, // read the request, then close the connection
    Chunked,            // param: the reply goes out in writes of this many bytes
    OneWrite,           // the whole reply in one write
    TrailerCount,       // param: characters after the closing root tag instead of 4
    SlowReply,          // param: milliseconds between the request and the first byte of the reply
    Stall,              // param: milliseconds between the first write (header and prolog) and the rest
    ErrorCode,          // param: ERROR_CODE of every reply, text: its ERROR_DESCRIPTION
    MalformedXml,       // param: a Malformed value (default UnclosedElements)
    Oversized,          // param: size of the whole reply in bytes (a <PAD> element fills it up)
    RefuseConnections   // stop listening: a connect is refused (the peer sees a socket error); the port
                        // is taken up again when the fault is cleared
};

struct FaultSpec {
    Fault fault = Fault::NeverAnswer;
    int param = 0;
    QString text;    // ErrorCode: the description
    QString command; // applies to this command only; empty: to every command
    int count = -1;  // applies to this many requests, then ends by itself; -1: until cleared
};

// Parses "name[=param][@command]" as the executable's --fault option takes it:
// never-answer, close, chunk=N, one-write, trailer=N, slow=MS, stall=MS, error=CODE[:TEXT],
// malformed[=unclosed|no-prolog|wrong-prolog|no-root-close|bad-values], oversize=BYTES, refuse.
std::optional<FaultSpec> parseFaultSpec(const QString &text, QString *error);

struct RequestRecord {
    int n = 0;       // 1 for the first request this device received
    QByteArray raw;  // every byte received on the connection
    QString command; // empty when the request line could not be read
    QByteArray body; // empty unless the request was complete
    QString error;   // why the request was refused; empty for a request that was answered normally
};

class DeviceSim : public QObject {
    Q_OBJECT
public:
    explicit DeviceSim(const ModelConfig &config = {}, QObject *parent = nullptr);
    ~DeviceSim() override;

    // Listens on loopback unless told otherwise; port 0 picks a free port (see serverPort()).
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    void close();
    bool isListening() const;
    quint16 serverPort() const { return m_port; }
    QHostAddress serverAddress() const { return m_address; }
    QString errorString() const { return m_error; }

    // Faults: setFault replaces an active fault of the same kind; several kinds can be active.
    void setFault(Fault fault, int param = 0, const QString &text = {});
    void setFault(const FaultSpec &faultSpec);
    void clearFault();
    void clearFault(Fault fault);
    QList<FaultSpec> faults() const { return m_faults; }

    DeviceState &state() { return m_state; }
    // Milliseconds since this device started: the time the model runs on.
    qint64 deviceTimeMs() const { return m_clock.elapsed(); }

    // Element overrides: the element gets exactly this text (added when the reply lacks it) ...
    void setElement(const QString &name, const QString &text,
                    const QString &command = QStringLiteral("GetRTStatus"));
    // ... or is left out of the reply.
    void omitElement(const QString &name, const QString &command = QStringLiteral("GetRTStatus"));
    void clearElementOverrides() { m_overrides.clear(); }
    // The next replies, in turn, consist of the status header followed by exactly these bytes.
    void queueRawReply(const QByteArray &afterHeader) { m_rawReplies << afterHeader; }

    // Request log: every request received, raw bytes included, oldest first; a long-running device
    // keeps the latest RequestHistory of them.
    const QList<RequestRecord> &requests() const { return m_requests; }
    static constexpr qsizetype RequestHistory = 100000;
    void clearRequests() { m_requests.clear(); }
    // Also writes each request as one JSON line to this file; an empty path stops logging.
    bool setLogFile(const QString &path);

    // How long an incomplete request may wait for its remaining bytes (default 2000 ms).
    void setRequestTimeoutMs(int ms) { m_requestTimeoutMs = ms; }
    int openConnections() const { return m_openConnections; }

signals:
    void requestReceived(const ZelkSim::RequestRecord &record);
    // The last byte of a reply went to the socket.
    void replySent(const QString &command);

private:
    class Exchange;
    friend class Exchange;

    struct Reply {
        QString root;
        Elements elements;
        int waitMs = 0; // > 0: not ready, ask again after this long (fast sampling between readings)
        int httpStatus = 200;
    };

    void onNewConnection();
    void onRequest(Exchange *exchange, const ParsedRequest &request, const QByteArray &raw, int failCode);
    QList<FaultSpec> takeFaults(const QString &command);
    Reply replyFor(const QString &command, const QByteArray &body);
    Reply statusReply();
    Reply setOutputReply(const QByteArray &body);
    Reply fastSamplingReply();
    Reply channelReply(int channel);
    void applyOverrides(Reply &reply) const;
    QList<QByteArray> replyPieces(const Reply &reply, const QList<FaultSpec> &faults);
    void record(const RequestRecord &rec);
    bool refusing() const;
    void updateListening();

    DeviceState m_state;
    QElapsedTimer m_clock;
    QTcpServer *m_server = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
    bool m_wantListen = false;
    QString m_error;
    QList<FaultSpec> m_faults;
    QHash<QString, QList<QPair<QString, std::optional<QString>>>> m_overrides;
    QList<QByteArray> m_rawReplies;
    QList<RequestRecord> m_requests;
    int m_requestCount = 0;
    std::unique_ptr<QFile> m_log;
    int m_requestTimeoutMs = 2000;
    int m_openConnections = 0;
};

} // namespace ZelkSim
