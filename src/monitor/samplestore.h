#pragma once

#include "modbus/decode.h"
#include "monitor/channelspan.h"
#include "monitor/pagedring.h"

#include <QtGlobal>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

constexpr int kChannels = 8;

// A channel's value as the module's 16-bit register: tenths of a degree, two's complement above
// 40000. 0xFFFF is the module's open-sensor mark and here means "no value": a gap.
using Code = std::uint16_t;
constexpr Code kNoValue = 0xFFFF;

constexpr int tenthsOf(Code code) {
    return code <= 40000 ? code : code - 65536;
}
// Nothing for tenths the module cannot send: beyond its range, or -1, whose code is the
// open-sensor mark.
std::optional<Code> codeOf(int tenths);

// One reading of the eight channels; nothing where the channel has no value.
using ChannelValues = std::array<std::optional<int>, kChannels>;

// The values a measurement answer puts into the eight boxes: the last reading of each box wins
// (with more than eight registers the box index starts again at 0); an open sensor is a gap.
ChannelValues valuesOf(const std::vector<Reading> &readings);

// A reading, or readings of one interval merged: the smallest and largest value per channel.
// A channel without a value (open sensor, unanswered request) has kNoValue in both.
struct SampleRow {
    qint64 ms = 0; // wall-clock milliseconds since the epoch, of the row's first reading
    std::array<Code, kChannels> lo{};
    std::array<Code, kChannels> hi{};
    bool hasValue(int channel) const { return lo[std::size_t(channel)] != kNoValue; }
};

// kBlockRows rows summarised: each channel's span, and the times of the first and last row, so
// that a block can be placed without visiting its rows.
struct BlockSummary {
    std::array<ChannelSpan, kChannels> spans{};
    qint64 firstMs = 0;
    qint64 lastMs = 0;
};

// The samples behind the trend, bounded in time and in count. Readings closer together than the
// interval (keepMs / maxRows) and with the same channels present are merged into one row; rows
// older than keepMs before the newest are dropped. With keepMs 0 (a loaded file) nothing is
// dropped by age: when maxRows is reached the interval doubles and the rows are merged again.
// Times never go backwards: an earlier one is taken as the newest row's time.
// Every kBlockRows rows are also summarised, so that a day can be drawn without visiting each
// of its rows.
class SampleStore {
public:
    struct Limits {
        qint64 keepMs = 0; // 0: no age limit
        qsizetype maxRows = 0;
    };
    static constexpr Limits kLive{24LL * 3600 * 1000, 1000000};
    static constexpr Limits kFile{0, 1000000};
    static constexpr qint64 kBlockRows = 64;

    explicit SampleStore(Limits limits = kLive);

    void add(qint64 ms, const ChannelValues &values);
    // Every channel without a value: an unanswered request.
    void addGap(qint64 ms);
    void clear();
    // Without an age limit: about `rows` readings over `spanMs` are still to come. When that is
    // more than half the limit, readings are merged from now on at the interval that keeps them
    // within it.
    void expect(qint64 rows, qint64 spanMs);

    // Rows are numbered from the first ever added, so a number stays valid while older rows are
    // dropped; firstIndex() .. endIndex() - 1 are present.
    qint64 firstIndex() const { return first_; }
    qint64 endIndex() const { return first_ + qint64(rows_.size()); }
    const SampleRow &row(qint64 index) const { return rows_[std::size_t(index - first_)]; }
    qsizetype size() const { return qsizetype(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    // The first row at or after ms (endIndex() when none).
    qint64 indexAt(qint64 ms) const;

    // Changes whenever rows are rewritten rather than added (cleared, merged again): whoever
    // summarised rows before must start again.
    quint64 generation() const { return generation_; }

    // The summary of rows block * kBlockRows .. block * kBlockRows + kBlockRows - 1 while all of
    // them are present and none can change any more (the newest row still can); else nothing.
    const BlockSummary *block(qint64 block) const;

private:
    void append(const SampleRow &row);
    void coarsen(qint64 atLeastMs);
    // Adds a row's values to its block's summary; again after a merge, which only widens it.
    void summarise(qint64 index);
    void dropFront();

    Limits limits_;
    // Each in memory of its own, rows and blocks apart, so that visiting every block touches
    // few pages.
    PagedRing<SampleRow> rows_;
    PagedRing<BlockSummary> blocks_; // blocks firstBlock_ on
    qint64 firstBlock_ = 0;
    qint64 first_ = 0;
    qint64 intervalMs_ = 0;
    quint64 generation_ = 0;
};

} // namespace tr
