#include "monitor/requesttracker.h"

namespace tr {

std::optional<RequestOutcome> RequestTracker::requestWritten(AnswerKind kind, std::int64_t at) {
    std::optional<RequestOutcome> unanswered = waiting_;
    waiting_ = RequestOutcome{kind, AnswerStatus::NoAnswer, at, std::nullopt};
    return unanswered;
}

std::optional<RequestOutcome> RequestTracker::bytesSeen(AnswerStatus status, bool taken,
                                                        std::int64_t at) {
    if (!waiting_)
        return std::nullopt;
    RequestOutcome outcome = *waiting_;
    waiting_.reset();
    outcome.status = status;
    if (taken)
        outcome.answerMicros = at - outcome.requestAt;
    return outcome;
}

} // namespace tr
