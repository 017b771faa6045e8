#pragma once

#include "monitor/chunkedjob.h"
#include "monitor/localtime.h"
#include "monitor/samplestore.h"

#include <QSaveFile>
#include <QString>
#include <optional>

namespace tr {

// Writes the samples of a time range as csv, a slice at a time: "time,ch1,...,ch8", then a row
// per sample with its ISO 8601 local time and offset, an empty cell where a channel has no
// value; UTF-8, CR LF. A merged interval gives two rows at its time: its minima, then its
// maxima. The file appears only when complete.
class SampleCsvWriter : public ChunkedJob {
public:
    struct Failure {
        enum class Kind { Unwritable, StoreChanged };
        Kind kind;
        QString reason; // Unwritable: as the system says it
    };

    SampleCsvWriter(const SampleStore &store, qint64 fromMs, qint64 toMs, const QString &path);

    bool step(const QDeadlineTimer &deadline) override;
    double progress() const override;

    const std::optional<Failure> &failure() const { return failure_; }

private:
    void fail(Failure::Kind kind);

    const SampleStore &store_;
    quint64 generation_;
    qint64 begin_, next_, end_;
    QSaveFile file_;
    LocalTimeCache local_;
    bool started_ = false;
    bool done_ = false;
    std::optional<Failure> failure_;
};

} // namespace tr
