#include "monitor/requesttracker.h"

namespace tr {

std::optional<RequestOutcome> RequestTracker::requestWritten(std::int16_t kind, std::int64_t at) {
    std::optional<RequestOutcome> unanswered = waiting_;
    waiting_ = RequestOutcome{kind, Verdict::NoAnswer, at, std::nullopt};
    return unanswered;
}

std::optional<RequestOutcome> RequestTracker::bytesSeen(Verdict verdict, bool taken,
                                                        std::int64_t at) {
    if (!waiting_)
        return std::nullopt;
    RequestOutcome outcome = *waiting_;
    waiting_.reset();
    outcome.verdict = verdict;
    if (taken)
        outcome.answerMicros = at - outcome.requestAt;
    return outcome;
}

} // namespace tr
