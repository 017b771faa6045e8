#pragma once

#include "cli/spool.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

struct mosquitto;

namespace tr::cli {

// Rows to an MQTT broker with QoS 1, in the order they were made. Every row goes into the spool
// first and leaves it only with the broker's acknowledgement. libmosquitto's thread connects and
// reconnects with back-off and keeps up to kInFlight rows out at once, sent in spool order, so a
// backlog drains at the broker's pace rather than one row per round trip. After a reconnection
// everything not yet acknowledged goes again from the oldest: a row may come twice, as QoS 1
// allows, but none is lost and the first arrivals keep their order.
class MqttPublisher {
public:
    static constexpr int kInFlight = 64;

    struct Settings {
        QString host;
        int port = 1883;
        QString clientId;
        QString user;
        std::optional<QByteArray> password;
        QString caFile; // TLS when not empty
    };
    struct Counts {
        long long spooled = 0;   // rows this run put into the spool
        long long delivered = 0; // acknowledged by the broker (earlier runs' rows included)
        long long dropped = 0;   // the oldest, when the spool was full
        long long backlog = 0;   // still in the spool, the rows out included
    };

    MqttPublisher(Settings settings, Spool &spool);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    // Starts connecting; the reason when the settings cannot be used (a CA file, ...).
    std::optional<QString> start();
    // Into the spool, then out when the window allows; the reason when the spool refused it.
    std::optional<QString> publish(const QByteArray &topic, const QByteArray &payload, int station,
                                   long long seq);
    // Why the broker refused the connection for good (credentials, not authorised, client id).
    std::optional<QString> refused() const;
    // Waits until the spool is empty, the broker refused, or `ms` passed.
    void drain(int ms);
    Counts counts();

private:
    struct Out {
        int mid;
        long long id;
    };
    static void onConnect(mosquitto *mosq, void *self, int rc);
    static void onDisconnect(mosquitto *mosq, void *self, int rc);
    static void onPublish(mosquitto *mosq, void *self, int mid);
    void sendMore();    // with mutex_ held
    void removeAcked(); // with mutex_ held

    Settings settings_;
    Spool &spool_;
    mosquitto *mosq_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Spool::Row> ahead_; // read from the spool, not sent yet
    std::deque<Out> out_;          // sent, not acknowledged, oldest first
    long long lastRead_ = 0;       // the id of the newest row in ahead_ or out_
    std::vector<long long> acked_; // acknowledged, to be removed from the spool in one go
    bool connected_ = false;
    std::optional<QString> refused_;
    long long spooled_ = 0;
    long long delivered_ = 0;
};

} // namespace tr::cli
