#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

struct mosquitto;

namespace tr::cli {

// Rows to an MQTT broker with QoS 1, in the order they were made. libmosquitto's thread
// connects and reconnects with back-off; the rows wait in a bounded queue here meanwhile. One
// row is out at a time and leaves the queue only with the broker's acknowledgement, so a broker
// that goes away loses nothing and sees nothing out of order (a row may come twice after a
// reconnection, as QoS 1 allows).
class MqttPublisher {
public:
    struct Settings {
        QString host;
        int port = 1883;
        QString clientId;
        QString user;
        std::optional<QByteArray> password;
        QString caFile; // TLS when not empty
        std::size_t capacity = 100000;
    };
    struct Counts {
        long long published = 0; // acknowledged by the broker
        long long queued = 0;    // waiting, the one out included
        long long dropped = 0;   // the oldest, when the queue was full
    };

    explicit MqttPublisher(Settings settings);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher &) = delete;
    MqttPublisher &operator=(const MqttPublisher &) = delete;

    // Starts connecting; the reason when the settings cannot be used (a CA file, ...).
    std::optional<QString> start();
    void publish(const QByteArray &topic, const QByteArray &payload);
    // Why the broker refused the connection for good (credentials, not authorised, client id).
    std::optional<QString> refused() const;
    // Waits until every row is acknowledged, the broker refused, or `ms` passed.
    void drain(int ms);
    Counts counts() const;

private:
    struct Row {
        QByteArray topic;
        QByteArray payload;
    };
    static void onConnect(mosquitto *mosq, void *self, int rc);
    static void onDisconnect(mosquitto *mosq, void *self, int rc);
    static void onPublish(mosquitto *mosq, void *self, int mid);
    void sendHead(); // with mutex_ held

    Settings settings_;
    mosquitto *mosq_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Row> queue_;
    std::vector<int> headIds_; // the message ids the first row went out under
    bool connected_ = false;
    std::optional<QString> refused_;
    long long published_ = 0;
    long long dropped_ = 0;
};

} // namespace tr::cli
