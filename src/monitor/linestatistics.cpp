#include "monitor/linestatistics.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace tr {

namespace {

// Below 256 µs a bucket per microsecond; above, 128 buckets per power of two.
constexpr int kExact = 256;
constexpr int kPerOctave = 128;
constexpr int kOctaves = 40;

int bucketOf(qint64 micros) {
    const auto v = quint64(std::max<qint64>(micros, 0));
    if (v < quint64(kExact))
        return int(v);
    const int shift = std::bit_width(v) - 8; // v >> shift is 128..255
    const int index = kExact + (shift - 1) * kPerOctave + int((v >> shift) - kPerOctave);
    return std::min(index, kExact + kOctaves * kPerOctave - 1);
}

double middleOf(int bucket) {
    if (bucket < kExact)
        return bucket;
    const int shift = (bucket - kExact) / kPerOctave + 1;
    const double low = double(qint64((bucket - kExact) % kPerOctave + kPerOctave) << shift);
    return low + double(qint64(1) << shift) / 2.0;
}

} // namespace

LineStatistics::LineStatistics() : buckets_(std::size_t(kExact + kOctaves * kPerOctave), 0) {}

void LineStatistics::concluded(AnswerStatus status, std::optional<qint64> answerMicros) {
    ++byStatus_[std::size_t(status)];
    bool decoded = false;
    switch (status) {
    case AnswerStatus::Ok:
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Length:
        decoded = true;
        break;
    case AnswerStatus::NoAnswer:
    case AnswerStatus::Short:
    case AnswerStatus::Crc:
    case AnswerStatus::Exception:
        break;
    }
    if (!decoded || !answerMicros)
        return;
    const qint64 micros = *answerMicros;
    ++buckets_[std::size_t(bucketOf(micros))];
    minMicros_ = timed_ == 0 ? micros : std::min(minMicros_, micros);
    maxMicros_ = timed_ == 0 ? micros : std::max(maxMicros_, micros);
    ++timed_;
}

LineStatistics::Counts LineStatistics::counts() const {
    Counts c;
    c.requests = requests_;
    c.decoded = count(AnswerStatus::Ok) + count(AnswerStatus::Station) +
                count(AnswerStatus::Function) + count(AnswerStatus::Length);
    c.noAnswer = count(AnswerStatus::NoAnswer);
    c.badCrc = count(AnswerStatus::Crc);
    c.shortAnswers = count(AnswerStatus::Short);
    c.exceptions = count(AnswerStatus::Exception);
    return c;
}

void LineStatistics::reset() {
    requests_ = 0;
    byStatus_ = {};
    std::fill(buckets_.begin(), buckets_.end(), 0);
    timed_ = 0;
}

double LineStatistics::percentileMs(double p) const {
    const auto rank = qint64(std::ceil(p / 100.0 * double(timed_)));
    qint64 seen = 0;
    for (std::size_t b = 0; b < buckets_.size(); ++b) {
        seen += buckets_[b];
        if (seen >= std::max<qint64>(rank, 1)) {
            const double micros =
                std::clamp(middleOf(int(b)), double(minMicros_), double(maxMicros_));
            return micros / 1000.0;
        }
    }
    return double(maxMicros_) / 1000.0;
}

LineStatistics::AnswerTimes LineStatistics::answerTimes() const {
    AnswerTimes t;
    t.count = timed_;
    if (timed_ == 0)
        return t;
    t.minMs = double(minMicros_) / 1000.0;
    t.maxMs = double(maxMicros_) / 1000.0;
    t.medianMs = percentileMs(50);
    t.p99Ms = percentileMs(99);
    return t;
}

} // namespace tr
