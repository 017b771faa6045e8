#include "monitor/linerecorder.h"

#include "monitor/wallclock.h"

namespace tr {

LineRecorder::LineRecorder(QObject *parent) : QObject(parent) {}

void LineRecorder::requestObserved(const QByteArray &bytes, AnswerKind kind,
                                   std::int64_t atMicros) {
    if (const auto unanswered = tracker_.requestWritten(kind, atMicros))
        conclude(*unanswered, atMicros);
    statistics_.requestWritten();
    addLine({wallMsAt(atMicros), TrafficLine::Direction::Sent, bytes, std::nullopt});
}

void LineRecorder::answerObserved(const QByteArray &bytes, const Judgement &judgement, bool taken,
                                  std::int64_t atMicros) {
    const AnswerStatus status = seenByWindow(judgement);
    addLine({wallMsAt(atMicros), TrafficLine::Direction::Received, bytes, status});
    if (status == AnswerStatus::Exception && bytes.size() >= 3)
        exceptionCode_ = static_cast<std::uint8_t>(bytes[2]);
    if (const auto outcome = tracker_.bytesSeen(status, taken, atMicros))
        conclude(*outcome, atMicros);
}

TrafficHistory::Change LineRecorder::resumeTraffic() {
    history_.setPaused(false);
    return history_.takeHeld();
}

void LineRecorder::conclude(const RequestOutcome &outcome, std::int64_t atMicros) {
    statistics_.concluded(outcome);
    emit requestConcluded(outcome.status, exceptionCode_);
    if (outcome.status == AnswerStatus::NoAnswer)
        addLine({wallMsAt(atMicros), TrafficLine::Direction::Received, {}, AnswerStatus::NoAnswer});
    if (outcome.kind == AnswerKind::Measurement && outcome.status != AnswerStatus::Ok)
        emit measurementFailed(wallMsAt(outcome.requestAt));
}

void LineRecorder::addLine(TrafficLine line) {
    emit trafficChanged(history_.append(std::move(line)));
}

} // namespace tr
