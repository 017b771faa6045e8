#include "monitor/linehint.h"

#include <algorithm>

namespace tr {

namespace {

// Modbus exception 02: the register range is not available in the module.
constexpr int kIllegalDataAddress = 2;

LineHint hintFor(const JudgedRequest &r) {
    switch (r.status) {
    case AnswerStatus::Ok:
    // The window decodes these as it decodes a good answer.
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Length:
        return LineHint::None;
    case AnswerStatus::NoAnswer:
        return LineHint::NoAnswer;
    case AnswerStatus::Crc:
        return LineHint::BadCrc;
    case AnswerStatus::Short:
        return LineHint::Short;
    case AnswerStatus::Exception:
        return r.exceptionCode == kIllegalDataAddress ? LineHint::RegisterCount : LineHint::Refused;
    }
    return LineHint::None;
}

} // namespace

LineHint chooseLineHint(const std::vector<JudgedRequest> &recent, bool portFailed) {
    if (portFailed)
        return LineHint::PortClosed;
    if (recent.size() < std::size_t(kHintRequests))
        return LineHint::None;
    const auto first = recent.end() - kHintRequests;
    const LineHint hint = hintFor(*first);
    const bool same = std::all_of(first, recent.end(), [&](const JudgedRequest &r) {
        return hintFor(r) == hint && r.exceptionCode == first->exceptionCode;
    });
    return same ? hint : LineHint::None;
}

} // namespace tr
