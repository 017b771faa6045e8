#pragma once

#include <QString>
#include <chrono>
#include <map>
#include <optional>

namespace tr::cli {

// How the line behaved over a series of reads: one line for stderr at the end.
class ReadSummary {
public:
    // A row's status: "ok", "timeout", "exception 4", ...
    void add(const QString &status);
    // The answer time of an ok row.
    void addAnswerTime(std::chrono::microseconds answerTime);
    // Answers that came after their request had timed out, and were thrown away.
    void addLate(int answers) { late_ += answers; }
    // Rows published to an MQTT broker, still queued, dropped: a part of their own in the line.
    void setMqtt(long long published, long long queued, long long dropped);
    // Rows put into the spool, acknowledged, dropped by its bound, still in it.
    void setSpool(long long spooled, long long delivered, long long dropped, long long backlog);

    long long samples() const { return samples_; }
    // "summary: 12 samples, 10 ok, 1 timeout, 0 crc, 0 exception, 0 bad, 1 disconnected,
    // 0 missed, 1 late; answer ms min 10.21 median 10.45 max 12.80"
    QString text() const;

private:
    long long samples_ = 0, ok_ = 0, timeout_ = 0, crc_ = 0, exception_ = 0, bad_ = 0,
              disconnected_ = 0, missed_ = 0, late_ = 0;
    // Answer times in 10 µs steps with their counts: the median of a run that lasts months
    // without keeping every sample.
    std::map<long long, long long> steps_;
    std::chrono::microseconds min_{0}, max_{0};
    QString mqtt_;
};

} // namespace tr::cli
