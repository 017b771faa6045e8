#pragma once

#include "modbus/answer.h"

#include <vector>

namespace tr {

// One concluded request as the hint sees it: what became of it and, for an exception answer, the
// exception code the module sent.
struct JudgedRequest {
    AnswerStatus status = AnswerStatus::NoAnswer;
    int exceptionCode = 0;
};

// The likely cause of a failing line, each with its own next step for the operator.
enum class LineHint {
    None,          // answers decode, too few requests yet, or the failures differ
    NoAnswer,      // station, baud rate, A/B wiring, termination, or look for the module
    BadCrc,        // baud rate or parity mismatch, noise, termination
    Short,         // the line or the converter drops bytes
    RegisterCount, // exception 02: more registers asked for than the module holds
    Refused,       // another exception code: function code or start address
    PortClosed,    // the port would not open
};

// The requests that must all have failed the same way before a hint is given.
inline constexpr int kHintRequests = 3;

// The hint for the requests concluded so far (oldest first). A port that would not open wins
// over everything; otherwise the last kHintRequests requests must share one failure.
LineHint chooseLineHint(const std::vector<JudgedRequest> &recent, bool portFailed);

} // namespace tr
