#pragma once

#include "modbus/frame.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tr::cli {

// What a request expects back.
struct Expectation {
    int length = 0;         // bytes of a normal answer
    bool byteCount = false; // byte 2 holds the number of data bytes (reads of registers)
};

// A read of N registers: station, function, byte count 2N, the registers, CRC.
Expectation measurementExpectation(int registers);
// Every 0x42 request is answered in 8 bytes, without a byte count.
Expectation calibrationExpectation();

enum class AnswerStatus { Ok, Timeout, Crc, Station, Function, Length, Exception };

struct AnswerCheck {
    AnswerStatus status = AnswerStatus::Timeout;
    std::uint8_t exceptionCode = 0; // with AnswerStatus::Exception
    // With AnswerStatus::Length: the answer stopped after `received` of `expected` bytes.
    int received = 0, expected = 0;
    bool ok() const { return status == AnswerStatus::Ok; }
};

// Bytes that complete the answer under way: the expected length, or 5 once byte 1 carries the
// exception bit (station, function | 0x80, exception code, CRC).
int answerTarget(const QByteArray &soFar, const Expectation &expect);

// Judges the bytes received for `request`: none is a timeout, fewer than the target a truncated
// answer (length); then the CRC, the station, the function code and the byte count are checked in
// this order, so stray bytes in front of an answer show as a CRC error (which is worth a retry).
AnswerCheck checkAnswer(const Frame &request, const Expectation &expect, const QByteArray &bytes);

// "ok", "timeout", "crc", "station", "function", "length" or "exception N".
QString statusText(const AnswerCheck &check);
// A sentence for stderr, e.g. "no answer" or "Modbus exception 1 (illegal function)".
QString statusDescription(const AnswerCheck &check);
int exitCodeFor(const AnswerCheck &check);
// True when `frame`, a complete frame with a good CRC, cannot be the answer to `request`: another
// station, function code or byte count, so the answer to an earlier request.
bool answersAnotherRequest(const Frame &request, const Expectation &expect,
                           const QByteArray &frame);
// Timeouts, CRC errors and truncated answers may be transient on a serial line; the rest is the
// module's answer.
bool worthRetrying(const AnswerCheck &check);

} // namespace tr::cli
