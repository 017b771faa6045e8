#pragma once

#include "modbus/verdict.h"

#include <cstdint>
#include <optional>

namespace tr {

// What became of one request. Times on the monotonic clock, in microseconds.
struct RequestOutcome {
    std::int16_t kind = 0;
    Verdict verdict = Verdict::NoAnswer;
    std::int64_t requestAt = 0;
    // Request written -> answer complete, for an answer a receive event took off the port.
    std::optional<std::int64_t> answerMicros;
};

// Pairs what the link observes with the request it belongs to: the first bytes seen after a
// request (an answer taken, or leftovers dropped) decide its verdict; a request still waiting
// when the next one is written had no answer. Bytes seen after that belong to no request.
class RequestTracker {
public:
    // The outcome of the previous request when it was still waiting.
    std::optional<RequestOutcome> requestWritten(std::int16_t kind, std::int64_t at);
    // The outcome of the waiting request, if any.
    std::optional<RequestOutcome> bytesSeen(Verdict verdict, bool taken, std::int64_t at);
    bool waiting() const { return waiting_.has_value(); }

private:
    std::optional<RequestOutcome> waiting_;
};

} // namespace tr
