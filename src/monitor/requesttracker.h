#pragma once

#include "modbus/answer.h"
#include "modbus/decode.h"

#include <cstdint>
#include <optional>

namespace tr {

// What became of one request. Times on the monotonic clock, in microseconds.
struct RequestOutcome {
    AnswerKind kind = AnswerKind::None;
    AnswerStatus status = AnswerStatus::NoAnswer; // as the window sees it (seenByWindow)
    std::int64_t requestAt = 0;
    // Request written -> answer complete, for an answer a receive event took off the port.
    std::optional<std::int64_t> answerMicros;
};

// Pairs what the link observes with the request it belongs to: the first bytes seen after a
// request (an answer taken, or leftovers dropped) decide its status; a request still waiting
// when the next one is written had no answer. Bytes seen after that belong to no request.
class RequestTracker {
public:
    // The outcome of the previous request when it was still waiting.
    std::optional<RequestOutcome> requestWritten(AnswerKind kind, std::int64_t at);
    // The outcome of the waiting request, if any.
    std::optional<RequestOutcome> bytesSeen(AnswerStatus status, bool taken, std::int64_t at);
    bool waiting() const { return waiting_.has_value(); }

private:
    std::optional<RequestOutcome> waiting_;
};

} // namespace tr
