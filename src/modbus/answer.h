#pragma once

#include "modbus/frame.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace tr {

// What a request expects back, worked out from the request itself as a Modbus master does.
struct Expectation {
    int length = 0;         // bytes of a normal answer; 0 when there was no request
    bool byteCount = false; // byte 2 holds the number of data bytes (reads of registers)
};

// A read of N registers (function 3 or 4) is answered by station, function, byte count 2N, the
// registers and the CRC; the module's 0x42 requests in 8 bytes, without a byte count.
Expectation expectedAnswer(const Frame &request);

// A Modbus exception answer: station, function | 0x80, exception code, CRC.
constexpr int kExceptionAnswerLength = 5;

// What became of a request.
enum class AnswerStatus {
    Ok,
    NoAnswer,  // nothing came
    Short,     // fewer bytes than the answer needs
    Crc,       // complete, but the CRC does not match: nothing in it may be believed
    Station,   // another station answered
    Function,  // an answer to another function code
    Length,    // the byte count does not fit the registers asked for
    Exception, // the module refused the request with an exception code
};
constexpr std::size_t kAnswerStatusCount = 8;

struct Judgement {
    AnswerStatus status = AnswerStatus::NoAnswer;
    // Set for every exception answer with a good CRC, even one to another station or function.
    std::optional<std::uint8_t> exceptionCode;
    // With Short: the answer stopped after `received` of `expected` bytes.
    int received = 0, expected = 0;
    bool ok() const { return status == AnswerStatus::Ok; }
};

// Bytes that complete the answer under way: the expected length, or 5 once byte 1 carries the
// exception bit.
int answerTarget(const QByteArray &soFar, const Expectation &expect);

// Judges the bytes received for `request`: none is no answer, fewer than the target (or no
// request at all) a short answer; then the CRC, the station, the function code and the byte count
// are checked in this order, so stray bytes in front of an answer show as a CRC error. Bytes past
// the target are not looked at.
Judgement judgeAnswer(const Frame &request, const Expectation &expect, const QByteArray &bytes);
inline Judgement judgeAnswer(const Frame &request, const QByteArray &bytes) {
    return judgeAnswer(request, expectedAnswer(request), bytes);
}

// The judgement as the window's line counts it: the window decodes a complete answer with a good
// CRC whatever station, function or byte count it carries, and counts every exception answer.
AnswerStatus seenByWindow(const Judgement &judgement);

} // namespace tr
