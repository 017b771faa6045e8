#include "cli/answercheck.h"

#include "cli/exitcodes.h"

namespace tr::cli {

QString statusText(const Judgement &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return QStringLiteral("ok");
    case AnswerStatus::NoAnswer:
        return QStringLiteral("timeout");
    case AnswerStatus::Crc:
        return QStringLiteral("crc");
    case AnswerStatus::Station:
        return QStringLiteral("station");
    case AnswerStatus::Function:
        return QStringLiteral("function");
    case AnswerStatus::Short:
    case AnswerStatus::Length:
        return QStringLiteral("length");
    case AnswerStatus::Exception:
        return QStringLiteral("exception %1").arg(int(check.exceptionCode.value_or(0)));
    }
    return {};
}

QString statusDescription(const Judgement &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return QStringLiteral("answer ok");
    case AnswerStatus::NoAnswer:
        return QStringLiteral("no answer (timeout)");
    case AnswerStatus::Crc:
        return QStringLiteral("bad answer: CRC error");
    case AnswerStatus::Station:
        return QStringLiteral("bad answer: from another station");
    case AnswerStatus::Function:
        return QStringLiteral("bad answer: wrong function code");
    case AnswerStatus::Short:
        return QStringLiteral("bad answer: truncated, %1 of %2 bytes")
            .arg(check.received)
            .arg(check.expected);
    case AnswerStatus::Length:
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
        const int code = check.exceptionCode.value_or(0);
        const QString name =
            code >= 1 && code <= 6 ? QString::fromLatin1(names[code]) : QStringLiteral("unknown");
        return QStringLiteral("Modbus exception %1 (%2)").arg(code).arg(name);
    }
    }
    return {};
}

int exitCodeFor(const Judgement &check) {
    switch (check.status) {
    case AnswerStatus::Ok:
        return ExitOk;
    case AnswerStatus::NoAnswer:
        return ExitNoAnswer;
    case AnswerStatus::Exception:
        return ExitException;
    case AnswerStatus::Crc:
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Short:
    case AnswerStatus::Length:
        return ExitBadAnswer;
    }
    return ExitBadAnswer;
}

bool answersAnotherRequest(const Frame &request, const Expectation &expect,
                           const QByteArray &frame) {
    const AnswerStatus status = judgeAnswer(request, expect, frame).status;
    return status == AnswerStatus::Station || status == AnswerStatus::Function ||
           status == AnswerStatus::Length;
}

bool worthRetrying(const Judgement &check) {
    return check.status == AnswerStatus::NoAnswer || check.status == AnswerStatus::Crc ||
           check.status == AnswerStatus::Short;
}

} // namespace tr::cli
