#include "cli/answercheck.h"

#include "cli/exitcodes.h"
#include "modbus/crc16.h"

#include <span>

namespace tr::cli {

namespace {

constexpr int kExceptionLength = 5;

std::uint8_t at(const QByteArray &bytes, qsizetype i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

} // namespace

Expectation measurementExpectation(int registers) {
    return {measurementAnswerLength(registers), true};
}

Expectation calibrationExpectation() {
    return {8, false};
}

int answerTarget(const QByteArray &soFar, const Expectation &expect) {
    if (soFar.size() >= 2 && (at(soFar, 1) & 0x80) != 0)
        return kExceptionLength;
    return expect.length;
}

AnswerCheck checkAnswer(const Frame &request, const Expectation &expect, const QByteArray &bytes) {
    AnswerCheck check;
    const int target = answerTarget(bytes, expect);
    if (bytes.isEmpty())
        return check; // timeout
    if (bytes.size() < target) {
        check.status = AnswerStatus::Length;
        check.received = static_cast<int>(bytes.size());
        check.expected = target;
        return check;
    }
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    if (!crcMatches(std::span<const std::uint8_t>(data, static_cast<std::size_t>(target)))) {
        check.status = AnswerStatus::Crc;
        return check;
    }
    if (at(bytes, 0) != request[0]) {
        check.status = AnswerStatus::Station;
        return check;
    }
    const std::uint8_t function = at(bytes, 1);
    if (target == kExceptionLength && (function & 0x80) != 0) {
        if ((function & 0x7F) != request[1]) {
            check.status = AnswerStatus::Function;
            return check;
        }
        check.status = AnswerStatus::Exception;
        check.exceptionCode = at(bytes, 2);
        return check;
    }
    if (function != request[1]) {
        check.status = AnswerStatus::Function;
        return check;
    }
    if (expect.byteCount && at(bytes, 2) != expect.length - 5) {
        check.status = AnswerStatus::Length;
        return check;
    }
    check.status = AnswerStatus::Ok;
    return check;
}

QString statusText(const AnswerCheck &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return QStringLiteral("ok");
    case AnswerStatus::Timeout:
        return QStringLiteral("timeout");
    case AnswerStatus::Crc:
        return QStringLiteral("crc");
    case AnswerStatus::Station:
        return QStringLiteral("station");
    case AnswerStatus::Function:
        return QStringLiteral("function");
    case AnswerStatus::Length:
        return QStringLiteral("length");
    case AnswerStatus::Exception:
        return QStringLiteral("exception %1").arg(check.exceptionCode);
    }
    return {};
}

QString statusDescription(const AnswerCheck &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return QStringLiteral("answer ok");
    case AnswerStatus::Timeout:
        return QStringLiteral("no answer (timeout)");
    case AnswerStatus::Crc:
        return QStringLiteral("bad answer: CRC error");
    case AnswerStatus::Station:
        return QStringLiteral("bad answer: from another station");
    case AnswerStatus::Function:
        return QStringLiteral("bad answer: wrong function code");
    case AnswerStatus::Length:
        if (check.received > 0)
            return QStringLiteral("bad answer: truncated, %1 of %2 bytes")
                .arg(check.received)
                .arg(check.expected);
        return QStringLiteral("bad answer: wrong byte count");
    case AnswerStatus::Exception: {
        // The codes of the Modbus application protocol.
        static const char *const names[] = {"",
                                            "illegal function",
                                            "illegal data address",
                                            "illegal data value",
                                            "server device failure",
                                            "acknowledge",
                                            "server device busy"};
        const int code = check.exceptionCode;
        const QString name =
            code >= 1 && code <= 6 ? QString::fromLatin1(names[code]) : QStringLiteral("unknown");
        return QStringLiteral("Modbus exception %1 (%2)").arg(code).arg(name);
    }
    }
    return {};
}

int exitCodeFor(const AnswerCheck &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return ExitOk;
    case AnswerStatus::Timeout:
        return ExitNoAnswer;
    case AnswerStatus::Exception:
        return ExitException;
    case AnswerStatus::Crc:
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Length:
        return ExitBadAnswer;
    }
    return ExitBadAnswer;
}

bool answersAnotherRequest(const Frame &request, const Expectation &expect,
                           const QByteArray &frame) {
    const AnswerCheck check = checkAnswer(request, expect, frame);
    return check.status == AnswerStatus::Station || check.status == AnswerStatus::Function ||
           (check.status == AnswerStatus::Length && check.received == 0);
}

bool worthRetrying(const AnswerCheck &check) {
    return check.status == AnswerStatus::Timeout || check.status == AnswerStatus::Crc ||
           (check.status == AnswerStatus::Length && check.received > 0);
}

} // namespace tr::cli
