#pragma once

#include "modbus/answer.h"

#include <QString>

namespace tr::cli {

// The command line's words for a judgement (modbus/answer.h).

// "ok", "timeout", "crc", "station", "function", "length" or "exception N".
QString statusText(const Judgement &check);
// A sentence for stderr, e.g. "no answer" or "Modbus exception 1 (illegal function)".
QString statusDescription(const Judgement &check);
int exitCodeFor(const Judgement &check);
// True when `frame`, a complete frame with a good CRC, cannot be the answer to `request`: another
// station, function code or byte count, so the answer to an earlier request.
bool answersAnotherRequest(const Frame &request, const Expectation &expect,
                           const QByteArray &frame);
// Timeouts, CRC errors and truncated answers may be transient on a serial line; the rest is the
// module's answer.
bool worthRetrying(const Judgement &check);

} // namespace tr::cli
