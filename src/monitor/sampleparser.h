#pragma once

#include "monitor/localtime.h"
#include "monitor/samplestore.h"

#include <QByteArrayView>
#include <array>

namespace tr {

// One line of a data file the window wrote ("2024-3-5 9:07:05   1#:23.50 3#:-1.20   " in
// quotes, open channels left out, or a command-line status instead of the values) or of a csv
// file with a header naming "time" and "ch1" .. "ch8" (the command line's and the trend's own
// export; empty cells and a status other than "ok" have no value).
class SampleLineParser {
public:
    struct Line {
        enum class Kind {
            Skip,      // blank, a header, a cleared file's empty record
            Sample,    // ms and values; no values at all for a failed request
            Malformed, // neither
        };
        Kind kind = Kind::Skip;
        qint64 ms = 0;
        ChannelValues values;
    };

    // `line` without its line end (a CR before it is ignored).
    Line parse(QByteArrayView line);

private:
    Line dataRecord(QByteArrayView inner);
    Line csvRow(QByteArrayView line);
    bool csvHeader(QByteArrayView line);

    LocalTimeCache local_;
    // Column of the time, of the status and of each channel in the csv header; -1: none.
    int timeColumn_ = -1;
    int statusColumn_ = -1;
    std::array<int, kChannels> channelColumns_{};
    int columns_ = 0;
};

// A value as the files write it, "-10.5" or "23.50", in tenths (rounded half away from zero).
std::optional<int> parseTenths(QByteArrayView text);

} // namespace tr
