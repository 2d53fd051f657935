// Publishing a station's readings to a broker, the parts without a connection: the station settings
// file, the topics and JSON payloads, the thinning of weights and the bounded queue of messages.
#include "StationPublishing.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>
#include <cmath>

namespace Publish {

namespace {

// A whole number in [low, high] from the file, or the default when the key is absent.
int wholeValue(QSettings &file, const QString &key, int fallback, int low, int high, QStringList &problems)
{
    const QVariant value = file.value(key);
    if (!value.isValid())
        return fallback;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (ok && number >= low && number <= high)
        return number;
    problems << QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4.")
                    .arg(key, value.toString(), QString::number(low), QString::number(high));
    return fallback;
}

bool switchValue(QSettings &file, const QString &key, bool fallback, QStringList &problems)
{
    const QVariant value = file.value(key);
    if (!value.isValid())
        return fallback;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    problems << QStringLiteral("%1 \"%2\" is neither true nor false.").arg(key, value.toString());
    return fallback;
}

// A topic level may not hold the wildcards; a name published under must not be empty.
bool usableTopicPrefix(const QString &prefix)
{
    return !prefix.isEmpty() && !prefix.contains(QLatin1Char('+')) && !prefix.contains(QLatin1Char('#')) &&
           !prefix.contains(QChar(0)) && !prefix.endsWith(QLatin1Char('/')) && prefix.toUtf8().size() < 60000;
}

QByteArray json(QJsonObject object, const QDateTime &time)
{
    object.insert(QStringLiteral("schema"), SchemaVersion);
    object.insert(QStringLiteral("time"), timeText(time));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

template <class T> QJsonValue orNull(const std::optional<T> &value)
{
    return value ? QJsonValue(double(*value)) : QJsonValue();
}

QJsonObject runObject(const char *event, const RunSummary &run)
{
    return {{QStringLiteral("event"), QLatin1String(event)},
            {QStringLiteral("file"), run.file},
            {QStringLiteral("readings"), double(run.readings)},
            {QStringLiteral("blocks"), double(run.blocks)},
            {QStringLiteral("duration_ms"), double(run.durationMs)}};
}

} // namespace

LoadedSettings loadSettings(QSettings &file, const QString &hostName, const QString &deviceAddress)
{
    LoadedSettings loaded;
    Settings &s = loaded.settings;
    QStringList &problems = loaded.problems;
    if (file.status() != QSettings::NoError)
        problems << QStringLiteral("The file cannot be read as settings.");
    file.beginGroup(QStringLiteral("Publish"));
    s.enabled = switchValue(file, QStringLiteral("Enabled"), s.enabled, problems);
    s.host = file.value(QStringLiteral("Host"), s.host).toString().trimmed();
    if (s.host.isEmpty())
        problems << QStringLiteral("Host is empty.");
    s.port = wholeValue(file, QStringLiteral("Port"), s.port, 1, 65535, problems);
    s.clientId = file.value(QStringLiteral("ClientId")).toString().trimmed();
    if (s.clientId.isEmpty())
        s.clientId = defaultClientId(hostName, deviceAddress);
    s.topicPrefix = file.value(QStringLiteral("TopicPrefix")).toString().trimmed();
    if (s.topicPrefix.isEmpty())
        s.topicPrefix = QStringLiteral("zelk/") + defaultClientId(s.clientId, QString());
    if (!usableTopicPrefix(s.topicPrefix))
        problems << QStringLiteral("TopicPrefix \"%1\" cannot be published under (empty, a wildcard "
                                   "'+' or '#', or a closing '/').")
                        .arg(s.topicPrefix);
    s.username = file.value(QStringLiteral("Username")).toString();
    s.passwordFile = file.value(QStringLiteral("PasswordFile")).toString().trimmed();
    if (!s.passwordFile.isEmpty() && s.username.isEmpty())
        problems << QStringLiteral("PasswordFile is given without Username.");
    s.tls = switchValue(file, QStringLiteral("Tls"), s.tls, problems);
    s.caFile = file.value(QStringLiteral("CaFile")).toString().trimmed();
    if (s.tls && s.caFile.isEmpty())
        problems << QStringLiteral("Tls is on but CaFile names no certificate authority file.");
    s.tlsVerifyPeer = switchValue(file, QStringLiteral("TlsVerifyPeer"), s.tlsVerifyPeer, problems);
    s.keepAlive = wholeValue(file, QStringLiteral("KeepAlive"), s.keepAlive, 5, 65535, problems);
    s.weightRate = wholeValue(file, QStringLiteral("WeightRate"), int(s.weightRate), 1, 1000, problems);
    s.queueLimit = wholeValue(file, QStringLiteral("QueueLimit"), s.queueLimit, 10, 1000000, problems);
    file.endGroup();
    return loaded;
}

QString defaultClientId(const QString &hostName, const QString &deviceAddress)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    QString id = deviceAddress.isEmpty() ? hostName : hostName + QLatin1Char('-') + deviceAddress;
    id.replace(unsafe, QStringLiteral("-"));
    return id.isEmpty() ? QStringLiteral("station") : id;
}

std::optional<QByteArray> readPassword(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The password file %1 cannot be read: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray topic(const QString &prefix, Topic which)
{
    static const char *const names[] = {"status", "weight", "io", "run", "fault"};
    return (prefix + QLatin1Char('/') + QLatin1String(names[int(which)])).toUtf8();
}

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

Message status(const QString &prefix, const Station &station, bool online, const QDateTime &time)
{
    const QJsonObject object{
        {QStringLiteral("state"), online ? QStringLiteral("online") : QStringLiteral("offline")},
        {QStringLiteral("program"), ProgramName},
        {QStringLiteral("version"), station.version},
        {QStringLiteral("client"), station.client},
        {QStringLiteral("device"), station.device}};
    return {topic(prefix, Topic::Status), json(object, time), 1, true, false};
}

Message weight(const QString &prefix, const WeightSample &sample)
{
    const QJsonObject object{{QStringLiteral("weight"), orNull(sample.weight)},
                             {QStringLiteral("unit"), sample.unit},
                             {QStringLiteral("tare"), sample.tare},
                             {QStringLiteral("a2d"), orNull(sample.a2d)},
                             {QStringLiteral("channel"), orNull(sample.channel)},
                             {QStringLiteral("overflow"), sample.overflow}};
    return {topic(prefix, Topic::Weight), json(object, sample.time), 0, false, true};
}

Message io(const QString &prefix, int inputs, int outputs, const QDateTime &time)
{
    const QJsonObject object{{QStringLiteral("inputs"), inputs}, {QStringLiteral("outputs"), outputs}};
    return {topic(prefix, Topic::Io), json(object, time), 1, true, false};
}

Message runStarted(const QString &prefix, const QString &file, const QDateTime &time)
{
    const QJsonObject object{{QStringLiteral("event"), QStringLiteral("start")},
                             {QStringLiteral("file"), file}};
    return {topic(prefix, Topic::Run), json(object, time), 1, false, false};
}

Message runEnded(const QString &prefix, const RunSummary &run, const QString &failure, const QDateTime &time)
{
    QJsonObject object = runObject("end", run);
    object.insert(QStringLiteral("saved"), failure.isEmpty());
    if (!failure.isEmpty())
        object.insert(QStringLiteral("failure"), failure);
    return {topic(prefix, Topic::Run), json(object, time), 1, false, false};
}

Message runFaulted(const QString &prefix, const RunSummary &run, const QString &reason, const QDateTime &time)
{
    QJsonObject object = runObject("fault", run);
    object.insert(QStringLiteral("reason"), reason);
    return {topic(prefix, Topic::Run), json(object, time), 1, false, false};
}

Message fault(const QString &prefix, FaultKind kind, const QString &text, const QDateTime &time)
{
    static const char *const kinds[] = {"no-answer", "reply-given-up", "write-failure"};
    const QJsonObject object{{QStringLiteral("kind"), QLatin1String(kinds[int(kind)])},
                             {QStringLiteral("message"), text}};
    return {topic(prefix, Topic::Fault), json(object, time), 1, false, false};
}

Thinner::Thinner(double perSecond) : m_intervalMs(perSecond > 0 ? 1000.0 / perSecond : 0.0) {}

bool Thinner::take(std::int64_t nowMs)
{
    if (m_last && double(nowMs - *m_last) < m_intervalMs)
        return false;
    m_last = nowMs;
    return true;
}

void MessageQueue::makeRoom()
{
    if (m_items.size() < m_limit)
        return;
    const auto weight =
        std::find_if(m_items.begin(), m_items.end(), [](const Message &m) { return m.droppable; });
    m_items.erase(weight != m_items.end() ? weight : m_items.begin());
    ++m_dropped;
}

void MessageQueue::push(Message message)
{
    makeRoom();
    m_items.push_back(std::move(message));
}

void MessageQueue::pushFront(Message message)
{
    makeRoom();
    m_items.push_front(std::move(message));
}

std::optional<Message> MessageQueue::pop()
{
    if (m_items.empty())
        return std::nullopt;
    Message message = std::move(m_items.front());
    m_items.pop_front();
    return message;
}

std::int64_t Backoff::nextMs()
{
    const std::int64_t wait = std::min<std::int64_t>(std::int64_t(500) << std::min(m_failures, 6), 30000);
    ++m_failures;
    return wait;
}

} // namespace Publish
