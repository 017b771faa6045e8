#pragma once

#include "monitor/requesttracker.h"

#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

namespace tr {

// Counters of the line since start or the last reset, one per answer status, and the answer
// times of decoded answers (request written -> answer complete). The window and the command
// line keep their line statistics here. The times go into buckets 1/128 wide relative to their
// value, so a week of requests takes the same memory as a minute; minimum and maximum are exact.
class LineStatistics {
public:
    // The window's grouping: an answer of another station, function or byte count is decoded.
    struct Counts {
        qint64 requests = 0;
        qint64 decoded = 0;
        qint64 noAnswer = 0;
        qint64 badCrc = 0;
        qint64 shortAnswers = 0;
        qint64 exceptions = 0;
    };
    struct AnswerTimes {
        qint64 count = 0;
        double minMs = 0, medianMs = 0, p99Ms = 0, maxMs = 0;
    };

    LineStatistics();

    void requestWritten() { ++requests_; }
    // A request concluded with `status`; the answer time counts for a decoded answer.
    void concluded(AnswerStatus status, std::optional<qint64> answerMicros);
    void concluded(const RequestOutcome &outcome) {
        concluded(outcome.status, outcome.answerMicros);
    }
    void reset();

    qint64 count(AnswerStatus status) const { return byStatus_[std::size_t(status)]; }
    Counts counts() const;
    AnswerTimes answerTimes() const;

private:
    // Nearest rank, as the middle of its bucket within the exact extremes.
    double percentileMs(double p) const;

    qint64 requests_ = 0;
    std::array<qint64, kAnswerStatusCount> byStatus_{};
    std::vector<qint64> buckets_;
    qint64 timed_ = 0;
    qint64 minMicros_ = 0, maxMicros_ = 0;
};

} // namespace tr
