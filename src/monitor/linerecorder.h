#pragma once

#include "modbus/answer.h"
#include "modbus/decode.h"
#include "monitor/linestatistics.h"
#include "monitor/requesttracker.h"
#include "monitor/traffichistory.h"

#include <QObject>
#include <cstdint>

namespace tr {

// What the line did, recorded from the link's observation signals: each request paired with
// what became of it, the line statistics and the traffic history. It acts on nothing; the
// communication and trend tabs are views of it and learn of changes from its signals.
class LineRecorder : public QObject {
    Q_OBJECT
public:
    explicit LineRecorder(QObject *parent = nullptr);

    const LineStatistics &statistics() const { return statistics_; }
    const TrafficHistory &history() const { return history_; }

    // Fed by the link: a request written, with the kind of answer it expects; bytes taken as
    // its answer or dropped unread. Times are monotonicMicros().
    void requestObserved(const QByteArray &bytes, AnswerKind kind, std::int64_t atMicros);
    void answerObserved(const QByteArray &bytes, const Judgement &judgement, bool taken,
                        std::int64_t atMicros);

    void resetStatistics() { statistics_.reset(); }
    void pauseTraffic() { history_.setPaused(true); }
    // The lines held while paused are shown from now on; the change is the caller's to apply.
    TrafficHistory::Change resumeTraffic();
    void clearTraffic() { history_.clear(); }

signals:
    // A line was recorded; `change` is what the lines shown went through (nothing while paused).
    void trafficChanged(const tr::TrafficHistory::Change &change);
    // A measurement read that got no decoded answer, at the time it was written: a gap.
    void measurementFailed(qint64 wallMs);
    // A request concluded; `exceptionCode` is that of the last exception answer seen.
    void requestConcluded(tr::AnswerStatus status, int exceptionCode);

private:
    void conclude(const RequestOutcome &outcome, std::int64_t atMicros);
    void addLine(TrafficLine line);

    RequestTracker tracker_;
    LineStatistics statistics_;
    TrafficHistory history_;
    int exceptionCode_ = 0; // of the last exception answer seen
};

} // namespace tr
