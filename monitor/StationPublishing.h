// Publishing a station's readings to a broker, the parts without a connection: the station settings
// file, the topics and JSON payloads, the thinning of weights and the bounded queue of messages.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <optional>

class QSettings;

namespace Publish {

// Every payload carries it as "schema"; docs/mqtt.md describes each version.
inline constexpr int SchemaVersion = 1;
inline const QString SettingsFileName = QStringLiteral("ZELK_NET_station.ini");
inline const QString ProgramName = QStringLiteral("ZELK-NET-MONITOR");

struct Settings {
    bool enabled = false;
    QString host = QStringLiteral("127.0.0.1");
    int port = 1883;
    QString clientId;    // empty: defaultClientId
    QString topicPrefix; // empty: "zelk/" + client id
    QString username;
    QString passwordFile; // its first line is the password; the password itself is never stored here
    bool tls = false;
    QString caFile;
    bool tlsVerifyPeer = true; // off only when the operator says so
    int keepAlive = 30;
    double weightRate = 10; // weight messages per second at most
    int queueLimit = 1000;  // messages waiting for the broker at most

    QString broker() const { return host + QLatin1Char(':') + QString::number(port); }
};

struct LoadedSettings {
    Settings settings;
    QStringList problems; // one line per unusable value; publishing does not start while there are any
};

// The [Publish] group of the station settings file; the defaults fill what is missing. Client id and
// topic prefix are completed from the host name and the device address.
LoadedSettings loadSettings(QSettings &file, const QString &hostName, const QString &deviceAddress);

// "<host name>-<device address>", every character a topic or client id should not hold as '-'.
QString defaultClientId(const QString &hostName, const QString &deviceAddress);

// The password: the first line of the file. Empty with `error` set when the file cannot be read.
std::optional<QByteArray> readPassword(const QString &fileName, QString *error);

enum class Topic { Status, Weight, Io, Run, Fault };
QByteArray topic(const QString &prefix, Topic which);

struct Message {
    QByteArray topic;
    QByteArray payload;
    int qos = 0;
    bool retain = false;
    bool droppable = false; // a weight sample: the first to go when the queue is full
};

// "2026-12-08T18:45:36.123Z"
QString timeText(const QDateTime &time);

struct Station {
    QString client;
    QString device;
    QString version;
};
Message status(const QString &prefix, const Station &station, bool online, const QDateTime &time);

struct WeightSample {
    QDateTime time;
    std::optional<double> weight; // as shown, net of the tare; none when the device sent no number
    QString unit;
    double tare = 0;
    std::optional<std::int32_t> a2d;
    std::optional<int> channel; // none when the device reported none or no number
    bool overflow = false;
};
Message weight(const QString &prefix, const WeightSample &sample);
Message io(const QString &prefix, int inputs, int outputs, const QDateTime &time);

struct RunSummary {
    QString file;
    std::int64_t readings = 0;
    std::int64_t blocks = 0;
    std::int64_t durationMs = 0;
};
Message runStarted(const QString &prefix, const QString &file, const QDateTime &time);
// `failure`: why the history file could not be written; empty when it was.
Message runEnded(const QString &prefix, const RunSummary &run, const QString &failure, const QDateTime &time);
Message runFaulted(const QString &prefix, const RunSummary &run, const QString &reason,
                   const QDateTime &time);

enum class FaultKind { NoAnswer, ReplyGivenUp, WriteFailure };
Message fault(const QString &prefix, FaultKind kind, const QString &text, const QDateTime &time);

// At most `perSecond` samples: one is taken when the interval since the last taken one has passed.
class Thinner {
public:
    explicit Thinner(double perSecond = 10);
    bool take(std::int64_t nowMs);

private:
    double m_intervalMs;
    std::optional<std::int64_t> m_last;
};

// Messages waiting for the broker, at most `limit`: a message that comes to a full queue pushes out the
// oldest weight sample, or, with none left, the oldest message. Every message pushed out is counted.
class MessageQueue {
public:
    explicit MessageQueue(int limit) : m_limit(limit > 0 ? std::size_t(limit) : 1) {}
    void push(Message message);
    void pushFront(Message message); // taken back: it goes out first
    std::optional<Message> pop();
    std::size_t size() const { return m_items.size(); }
    std::int64_t dropped() const { return m_dropped; }

private:
    void makeRoom();
    std::size_t m_limit;
    std::deque<Message> m_items;
    std::int64_t m_dropped = 0;
};

// Waits between connection attempts: from half a second, doubled after each failure, up to 30 s.
class Backoff {
public:
    std::int64_t nextMs();
    void reset() { m_failures = 0; }

private:
    int m_failures = 0;
};

} // namespace Publish
