#include "modbus/answer.h"

#include "modbus/crc16.h"

namespace tr {

Expectation expectedAnswer(const Frame &request) {
    if (request[1] == 3 || request[1] == 4)
        return {measurementAnswerLength(request[4] * 256 + request[5]), true};
    return {kCalibrationAnswerLength, false};
}

int answerTarget(const QByteArray &soFar, const Expectation &expect) {
    if (soFar.size() >= 2 && (octets(soFar)[1] & 0x80) != 0)
        return kExceptionAnswerLength;
    return expect.length;
}

Judgement judgeAnswer(const Frame &request, const Expectation &expect, const QByteArray &bytes) {
    Judgement j;
    if (bytes.isEmpty())
        return j;
    const int target = answerTarget(bytes, expect);
    if (target < kExceptionAnswerLength || bytes.size() < target) {
        j.status = AnswerStatus::Short;
        j.received = static_cast<int>(bytes.size());
        j.expected = target;
        return j;
    }
    const auto b = octets(bytes).first(static_cast<std::size_t>(target));
    if (!crcMatches(b)) {
        j.status = AnswerStatus::Crc;
        return j;
    }
    const bool exception = target == kExceptionAnswerLength && (b[1] & 0x80) != 0;
    if (exception)
        j.exceptionCode = b[2];
    if (b[0] != request[0])
        j.status = AnswerStatus::Station;
    else if ((exception ? b[1] & 0x7F : b[1]) != request[1])
        j.status = AnswerStatus::Function;
    else if (exception)
        j.status = AnswerStatus::Exception;
    else if (expect.byteCount && b[2] != expect.length - 5)
        j.status = AnswerStatus::Length;
    else
        j.status = AnswerStatus::Ok;
    return j;
}

AnswerStatus seenByWindow(const Judgement &judgement) {
    if (judgement.exceptionCode)
        return AnswerStatus::Exception;
    switch (judgement.status) {
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Length:
        return AnswerStatus::Ok;
    default:
        return judgement.status;
    }
}

} // namespace tr
