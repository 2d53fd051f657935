// BrokerLink: the station's connection to its broker on a thread of its own, so that no broker can delay
// the device or the window: the library's non-blocking loop, the bounded queue and reconnection.
#include "BrokerLink.h"

#include <mosquitto.h>

#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

// Messages handed to the library and not yet acknowledged, at most: the rest wait in the queue.
constexpr std::size_t AckWindow = 64;
constexpr int LoopWaitMs = 20;
constexpr auto DrainTime = std::chrono::milliseconds(1500);
constexpr auto FarewellTime = std::chrono::milliseconds(1000);

std::once_flag libraryStarted;

} // namespace

// The library's client and what the worker thread knows of its connection.
struct BrokerLink::Session {
    BrokerLink *link = nullptr;
    mosquitto *client = nullptr;
    bool socketOpen = false;
    bool up = false;                         // the broker accepted the connection
    std::map<int, Publish::Message> unacked; // QoS 1 messages by id, until the broker acknowledges
    QString refusal;                         // the broker's answer when it refused the connection
    QString libraryError;                    // the library's last error line (TLS details)
    Publish::Backoff backoff;

    explicit Session(BrokerLink *owner) : link(owner) {}
    ~Session()
    {
        if (client)
            mosquitto_destroy(client);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    QString open(const Config &config);
    QString reason(int rc) const;
    bool send(const Publish::Message &message);
    void pump();
    bool waiting() const;
    void lose();
    static Session *of(void *object) { return static_cast<Session *>(object); }
};

QString BrokerLink::Session::open(const Config &config)
{
    const Publish::Settings &s = config.settings;
    client = mosquitto_new(s.clientId.toUtf8().constData(), true, this);
    if (!client)
        return QStringLiteral("The publishing client cannot be made: %1")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    const Publish::Message &will = config.offline;
    mosquitto_will_set(client, will.topic.constData(), int(will.payload.size()), will.payload.constData(),
                       will.qos, will.retain);
    if (!s.username.isEmpty())
        mosquitto_username_pw_set(client, s.username.toUtf8().constData(),
                                  s.passwordFile.isEmpty() ? nullptr : config.password.constData());
    if (s.tls) {
        const QByteArray ca = QFile::encodeName(s.caFile);
        if (mosquitto_tls_set(client, ca.constData(), nullptr, nullptr, nullptr, nullptr) != MOSQ_ERR_SUCCESS)
            return QStringLiteral("The certificate authority file %1 cannot be used.").arg(s.caFile);
        mosquitto_tls_opts_set(client, s.tlsVerifyPeer ? 1 : 0, nullptr, nullptr);
        mosquitto_tls_insecure_set(client, !s.tlsVerifyPeer);
    }
    mosquitto_connect_callback_set(client, [](mosquitto *, void *object, int rc) {
        Session *self = Session::of(object);
        if (rc != 0) {
            self->refusal = QString::fromUtf8(mosquitto_connack_string(rc));
            return;
        }
        self->up = true;
        self->backoff.reset();
        self->send(self->link->m_config.online);
        self->link->m_failing = false;
        self->link->m_connected = true;
        emit self->link->stateChanged(true, self->link->m_lastError);
    });
    mosquitto_publish_callback_set(
        client, [](mosquitto *, void *object, int mid) { Session::of(object)->unacked.erase(mid); });
    mosquitto_log_callback_set(client, [](mosquitto *, void *object, int level, const char *text) {
        // ZELK_MQTT_TRACE: the library's own account of the connection on standard error (it never
        // holds the password).
        if (qEnvironmentVariableIsSet("ZELK_MQTT_TRACE"))
            qWarning("mqtt: %s", text);
        if (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING))
            Session::of(object)->libraryError = QString::fromUtf8(text);
    });
    return {};
}

QString BrokerLink::Session::reason(int rc) const
{
    if (rc == MOSQ_ERR_CONN_REFUSED && !refusal.isEmpty())
        return refusal;
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString text = QString::fromUtf8(mosquitto_strerror(rc));
    if (rc == MOSQ_ERR_TLS && !libraryError.isEmpty())
        text += QStringLiteral(" (%1)").arg(libraryError);
    return text;
}

bool BrokerLink::Session::send(const Publish::Message &message)
{
    int mid = 0;
    if (mosquitto_publish(client, &mid, message.topic.constData(), int(message.payload.size()),
                          message.payload.constData(), message.qos, message.retain) != MOSQ_ERR_SUCCESS)
        return false;
    if (message.qos > 0)
        unacked.emplace(mid, message);
    return true;
}

// Hands queued messages to the library while the broker keeps up: nothing waits to be written and the
// acknowledgements are within the window.
void BrokerLink::Session::pump()
{
    while (up && unacked.size() < AckWindow && !mosquitto_want_write(client)) {
        std::optional<Publish::Message> message;
        {
            std::lock_guard lock(link->m_mutex);
            message = link->m_queue.pop();
        }
        if (!message)
            return;
        if (!send(*message)) {
            std::lock_guard lock(link->m_mutex);
            link->m_queue.pushFront(std::move(*message));
            return;
        }
    }
}

// Something is still to go out: queued, unwritten or unacknowledged.
bool BrokerLink::Session::waiting() const
{
    std::lock_guard lock(link->m_mutex);
    return link->m_queue.size() > 0 || !unacked.empty() || mosquitto_want_write(client);
}

// The connection is gone: QoS 1 messages not acknowledged go out again first on the next one.
void BrokerLink::Session::lose()
{
    socketOpen = false;
    up = false;
    std::lock_guard lock(link->m_mutex);
    for (auto it = unacked.rbegin(); it != unacked.rend(); ++it)
        if (it->second.topic != link->m_config.online.topic)
            link->m_queue.pushFront(it->second);
    unacked.clear();
}

BrokerLink::BrokerLink(Config config, QObject *parent)
    : QObject(parent), m_config(std::move(config)), m_queue(m_config.settings.queueLimit)
{
    std::call_once(libraryStarted, [] { mosquitto_lib_init(); });
}

void BrokerLink::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
}

BrokerLink::~BrokerLink()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void BrokerLink::publish(Publish::Message message)
{
    std::lock_guard lock(m_mutex);
    m_queue.push(std::move(message));
}

void BrokerLink::setFarewell(Publish::Message message)
{
    std::lock_guard lock(m_mutex);
    m_farewell = std::move(message);
}

std::int64_t BrokerLink::dropped() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.dropped();
}

void BrokerLink::fail(const QString &reason)
{
    m_connected = false;
    m_lastError = reason;
    emit stateChanged(false, reason);
    if (!std::exchange(m_failing, true))
        emit failed(reason);
}

void BrokerLink::run()
{
    Session s(this);
    const QString setupError = s.open(m_config);
    if (!setupError.isEmpty())
        fail(setupError);
    Clock::time_point nextAttempt = Clock::now();
    const Publish::Settings &settings = m_config.settings;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (!s.socketOpen || !setupError.isEmpty())
                m_wake.wait_until(lock, setupError.isEmpty() ? nextAttempt : Clock::time_point::max(),
                                  [this] { return m_stop; });
            if (m_stop)
                break;
        }
        int rc = MOSQ_ERR_SUCCESS;
        if (!s.socketOpen) {
            s.refusal.clear();
            s.libraryError.clear();
            rc = mosquitto_connect_async(s.client, settings.host.toUtf8().constData(), settings.port,
                                         settings.keepAlive);
            s.socketOpen = rc == MOSQ_ERR_SUCCESS;
        }
        if (rc == MOSQ_ERR_SUCCESS) {
            s.pump();
            rc = mosquitto_loop(s.client, LoopWaitMs, 1);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            const QString reason = s.reason(rc);
            s.lose();
            fail(reason);
            nextAttempt = Clock::now() + std::chrono::milliseconds(s.backoff.nextMs());
        }
    }
    if (s.up)
        farewell(s);
}

// A clean stop: what waits goes out first (for a moment at most), then the farewell, then the disconnect.
void BrokerLink::farewell(Session &s)
{
    const Clock::time_point drainEnd = Clock::now() + DrainTime;
    while (s.up && Clock::now() < drainEnd && s.waiting()) {
        s.pump();
        if (mosquitto_loop(s.client, LoopWaitMs, 1) != MOSQ_ERR_SUCCESS)
            return;
    }
    {
        std::lock_guard lock(m_mutex);
        s.send(m_farewell.value_or(m_config.offline));
    }
    const Clock::time_point farewellEnd = Clock::now() + FarewellTime;
    while (!s.unacked.empty() && Clock::now() < farewellEnd)
        if (mosquitto_loop(s.client, LoopWaitMs, 1) != MOSQ_ERR_SUCCESS)
            return;
    mosquitto_disconnect(s.client);
    mosquitto_loop(s.client, LoopWaitMs, 1);
}
