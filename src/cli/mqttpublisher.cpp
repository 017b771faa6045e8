#include "cli/mqttpublisher.h"

#include "cli/console.h"

#include <algorithm>
#include <chrono>
#include <mosquitto.h>

namespace tr::cli {

MqttPublisher::MqttPublisher(Settings settings) : settings_(std::move(settings)) {}

MqttPublisher::~MqttPublisher() {
    if (!mosq_)
        return;
    bool connected = false;
    {
        const std::lock_guard lock(mutex_);
        connected = connected_;
    }
    mosquitto_disconnect(mosq_);
    // Between reconnection attempts the thread sleeps; it need not finish that sleep.
    mosquitto_loop_stop(mosq_, !connected);
    mosquitto_destroy(mosq_);
    mosquitto_lib_cleanup();
}

std::optional<QString> MqttPublisher::start() {
    mosquitto_lib_init();
    mosq_ = mosquitto_new(settings_.clientId.toUtf8().constData(), true, this);
    if (!mosq_)
        return QStringLiteral("cannot create the MQTT client");
    if (!settings_.user.isEmpty() || settings_.password)
        mosquitto_username_pw_set(
            mosq_, settings_.user.isEmpty() ? nullptr : settings_.user.toUtf8().constData(),
            settings_.password ? settings_.password->constData() : nullptr);
    if (!settings_.caFile.isEmpty()) {
        const int rc = mosquitto_tls_set(mosq_, settings_.caFile.toLocal8Bit().constData(), nullptr,
                                         nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return QStringLiteral("cannot use %1 for TLS: %2")
                .arg(settings_.caFile, QString::fromUtf8(mosquitto_strerror(rc)));
    }
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::onDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::onPublish);
    mosquitto_reconnect_delay_set(mosq_, 1, 30, true);
    // A broker that is not there yet is no reason to stop: the rows wait for it.
    const int rc =
        mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port, 30);
    if (rc != MOSQ_ERR_SUCCESS)
        printError(QStringLiteral("MQTT: %1:%2 not reached yet (%3); rows wait for it")
                       .arg(settings_.host)
                       .arg(settings_.port)
                       .arg(QString::fromUtf8(mosquitto_strerror(rc))));
    const int loop = mosquitto_loop_start(mosq_);
    if (loop != MOSQ_ERR_SUCCESS)
        return QStringLiteral("cannot start the MQTT client: %1")
            .arg(QString::fromUtf8(mosquitto_strerror(loop)));
    return std::nullopt;
}

void MqttPublisher::onConnect(mosquitto *mosq, void *self, int rc) {
    auto *p = static_cast<MqttPublisher *>(self);
    const std::lock_guard lock(p->mutex_);
    if (rc == 0) {
        p->connected_ = true;
        // The row that was out when the line broke goes again (libmosquitto may resend it as
        // well: a duplicate, never a loss).
        p->headIds_.clear();
        p->sendHead();
    } else if (rc != 3) {
        // Credentials, authorisation, client id or protocol: trying again changes nothing.
        p->refused_ = QString::fromUtf8(mosquitto_connack_string(rc));
        mosquitto_disconnect(mosq);
    }
    p->changed_.notify_all();
}

void MqttPublisher::onDisconnect(mosquitto *, void *self, int) {
    auto *p = static_cast<MqttPublisher *>(self);
    const std::lock_guard lock(p->mutex_);
    p->connected_ = false;
}

void MqttPublisher::onPublish(mosquitto *, void *self, int mid) {
    auto *p = static_cast<MqttPublisher *>(self);
    const std::lock_guard lock(p->mutex_);
    if (std::ranges::find(p->headIds_, mid) == p->headIds_.end())
        return; // a late acknowledgement of a row already counted
    p->queue_.pop_front();
    p->headIds_.clear();
    ++p->published_;
    p->sendHead();
    p->changed_.notify_all();
}

void MqttPublisher::sendHead() {
    if (!connected_ || queue_.empty() || !headIds_.empty())
        return;
    const Row &row = queue_.front();
    int mid = 0;
    if (mosquitto_publish(mosq_, &mid, row.topic.constData(), static_cast<int>(row.payload.size()),
                          row.payload.constData(), 1, false) == MOSQ_ERR_SUCCESS)
        headIds_.push_back(mid);
}

void MqttPublisher::publish(const QByteArray &topic, const QByteArray &payload) {
    const std::lock_guard lock(mutex_);
    queue_.push_back({topic, payload});
    if (queue_.size() > settings_.capacity) {
        // The oldest that is not out: the one out may be acknowledged any moment.
        queue_.erase(queue_.begin() + (headIds_.empty() ? 0 : 1));
        if (++dropped_ == 1 || dropped_ % 10000 == 0)
            printError(
                QStringLiteral("MQTT: the queue of %1 rows is full; %2 oldest dropped so far")
                    .arg(settings_.capacity)
                    .arg(dropped_));
    }
    sendHead();
}

std::optional<QString> MqttPublisher::refused() const {
    const std::lock_guard lock(mutex_);
    return refused_;
}

void MqttPublisher::drain(int ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms),
                      [this] { return queue_.empty() || refused_.has_value(); });
}

MqttPublisher::Counts MqttPublisher::counts() const {
    const std::lock_guard lock(mutex_);
    return {published_, static_cast<long long>(queue_.size()), dropped_};
}

} // namespace tr::cli
