#pragma once

#include "modbus/answer.h"
#include "monitor/linestatistics.h"

#include <QString>
#include <chrono>
#include <optional>

namespace tr::cli {

// How the line behaved over a series of reads: one line for stderr at the end. The answers are
// counted by the line statistics the window keeps too.
class SeriesSummary {
public:
    // A row's judgement, with the answer time of an ok row.
    void add(const Judgement &check, std::optional<std::chrono::microseconds> answerTime = {});
    // A row without a request: the device was away, or the program fell behind.
    void addDisconnected() { ++disconnected_; }
    void addMissed() { ++missed_; }
    // Answers that came after their request had timed out, and were thrown away.
    void addLate(int answers) { late_ += answers; }
    // Rows published to an MQTT broker, still queued, dropped: a part of their own in the line.
    void setMqtt(long long published, long long queued, long long dropped);
    // Rows put into the spool, acknowledged, dropped by its bound, still in it.
    void setSpool(long long spooled, long long delivered, long long dropped, long long backlog);

    // "summary: 12 samples, 10 ok, 1 timeout, 0 crc, 0 exception, 0 bad, 1 disconnected,
    // 0 missed, 1 late; answer ms min 10.21 median 10.45 max 12.80"
    QString text() const;

private:
    LineStatistics line_;
    long long disconnected_ = 0, missed_ = 0, late_ = 0;
    QString mqtt_;
};

} // namespace tr::cli
