#include "cli/mqttpublisher.h"

#include "cli/console.h"

#include <algorithm>
#include <chrono>
#include <mosquitto.h>

namespace tr::cli {

MqttPublisher::MqttPublisher(Settings settings, Spool &spool)
    : settings_(std::move(settings)), spool_(spool) {}

MqttPublisher::~MqttPublisher() {
    if (!mosq_)
        return;
    mosquitto_disconnect(mosq_);
    // Not forced: a thread cancelled inside a callback would leave the spool locked. A
    // reconnection back-off sleep wakes up for the stop.
    mosquitto_loop_stop(mosq_, false);
    mosquitto_destroy(mosq_);
    mosquitto_lib_cleanup();
    const std::lock_guard lock(mutex_);
    removeAcked();
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
    mosquitto_int_option(mosq_, MOSQ_OPT_SEND_MAXIMUM, kInFlight);
    // The thread first: libmosquitto (2.0.11) whose first connection failed before the thread
    // ran never tries again, and a logger started while the broker was away sent nothing.
    const int loop = mosquitto_loop_start(mosq_);
    if (loop != MOSQ_ERR_SUCCESS)
        return QStringLiteral("cannot start the MQTT client: %1")
            .arg(QString::fromUtf8(mosquitto_strerror(loop)));
    // A broker that is not there yet is no reason to stop: the rows wait for it.
    const int rc =
        mosquitto_connect_async(mosq_, settings_.host.toUtf8().constData(), settings_.port, 30);
    if (rc != MOSQ_ERR_SUCCESS)
        printError(QStringLiteral("MQTT: %1:%2 not reached yet (%3); rows wait for it")
                       .arg(settings_.host)
                       .arg(settings_.port)
                       .arg(QString::fromUtf8(mosquitto_strerror(rc))));
    return std::nullopt;
}

void MqttPublisher::onConnect(mosquitto *mosq, void *self, int rc) {
    auto *p = static_cast<MqttPublisher *>(self);
    const std::lock_guard lock(p->mutex_);
    if (rc == 0) {
        p->connected_ = true;
        // Whatever was out when the line broke goes again, from the oldest (libmosquitto may
        // resend some as well: a duplicate, never a loss).
        p->out_.clear();
        p->ahead_.clear();
        p->lastRead_ = 0;
        p->removeAcked();
        p->sendMore();
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
    const auto it = std::ranges::find(p->out_, mid, &Out::mid);
    if (it == p->out_.end())
        return; // a late acknowledgement of a row sent again since
    p->acked_.push_back(it->id);
    p->out_.erase(it);
    ++p->delivered_;
    // One removal for many rows while a backlog drains; at once when the line is idle.
    if (p->acked_.size() >= 256 || p->out_.empty())
        p->removeAcked();
    p->sendMore();
    p->changed_.notify_all();
}

void MqttPublisher::removeAcked() {
    spool_.remove(acked_);
    acked_.clear();
}

void MqttPublisher::sendMore() {
    while (connected_ && out_.size() < std::size_t(kInFlight)) {
        if (ahead_.empty()) {
            for (Spool::Row &row : spool_.after(lastRead_, 4 * kInFlight))
                ahead_.push_back(std::move(row));
            if (ahead_.empty())
                return;
            lastRead_ = ahead_.back().id;
        }
        const Spool::Row &row = ahead_.front();
        int mid = 0;
        if (mosquitto_publish(mosq_, &mid, row.topic.constData(),
                              static_cast<int>(row.payload.size()), row.payload.constData(), 1,
                              false) != MOSQ_ERR_SUCCESS)
            return; // the line is going down; the reconnection starts again from the oldest
        out_.push_back({mid, row.id});
        ahead_.pop_front();
    }
}

std::optional<QString> MqttPublisher::publish(const QByteArray &topic, const QByteArray &payload,
                                              int station, long long seq) {
    if (auto why = spool_.append(topic, payload, station, seq))
        return why;
    const std::lock_guard lock(mutex_);
    ++spooled_;
    sendMore();
    return std::nullopt;
}

std::optional<QString> MqttPublisher::refused() const {
    const std::lock_guard lock(mutex_);
    return refused_;
}

void MqttPublisher::drain(int ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] {
        return refused_.has_value() || spool_.backlog() <= static_cast<long long>(acked_.size());
    });
    removeAcked();
}

MqttPublisher::Counts MqttPublisher::counts() {
    const std::lock_guard lock(mutex_);
    removeAcked();
    return {spooled_, delivered_, spool_.dropped(), spool_.backlog()};
}

} // namespace tr::cli
