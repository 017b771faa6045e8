#pragma once

#include "monitor/requesttracker.h"

#include <QtGlobal>
#include <vector>

namespace tr {

// Counters of the line since start or the last reset, and the answer times of decoded answers
// (request written -> answer complete). The times go into buckets 1/128 wide relative to their
// value, so a week of requests takes the same memory as a minute; minimum and maximum are exact.
class LineStatistics {
public:
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

    void requestWritten() { ++counts_.requests; }
    void concluded(const RequestOutcome &outcome);
    void reset();

    const Counts &counts() const { return counts_; }
    AnswerTimes answerTimes() const;

private:
    // Nearest rank, as the middle of its bucket within the exact extremes.
    double percentileMs(double p) const;

    Counts counts_;
    std::vector<qint64> buckets_;
    qint64 timed_ = 0;
    qint64 minMicros_ = 0, maxMicros_ = 0;
};

} // namespace tr
