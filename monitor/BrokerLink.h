// BrokerLink: the station's connection to its broker on a thread of its own, so that no broker can delay
// the device or the window: the library's non-blocking loop, the bounded queue and reconnection.
#pragma once

#include "StationPublishing.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class BrokerLink : public QObject {
    Q_OBJECT
public:
    struct Config {
        Publish::Settings settings;
        QByteArray password;      // from the operator's password file; never logged
        Publish::Message online;  // published, retained, on every connection
        Publish::Message offline; // the last will, and the farewell of a clean stop
    };
    explicit BrokerLink(Config config, QObject *parent = nullptr);
    // Connects on its own thread from now on: connect to the signals before.
    void start();
    // Sends what waits (at most about a second and a half), the farewell, and disconnects.
    ~BrokerLink() override;
    BrokerLink(const BrokerLink &) = delete;
    BrokerLink &operator=(const BrokerLink &) = delete;

    // From any thread; never waits for the network.
    void publish(Publish::Message message);
    // The message of a clean stop in place of the last will (which holds the time it was set up).
    void setFarewell(Publish::Message message);
    std::int64_t dropped() const;
    bool connected() const { return m_connected.load(); }

signals:
    // Every change of the connection; `lastError` stays until the next failure replaces it.
    void stateChanged(bool connected, const QString &lastError);
    // The first failure after a start or after a connection that worked: reported to the operator once.
    void failed(const QString &reason);

private:
    struct Session;
    void run();
    void farewell(Session &s);
    void fail(const QString &reason);

    Config m_config;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Publish::MessageQueue m_queue;
    std::optional<Publish::Message> m_farewell;
    bool m_stop = false;
    std::atomic<bool> m_connected{false};
    bool m_failing = false; // worker thread only
    QString m_lastError;    // worker thread only
    std::thread m_thread;
};
