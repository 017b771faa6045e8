#include "domain/restoreplan.h"

namespace tr {

AnswerKind RestoreStep::answerKind() const {
    switch (kind) {
    case Kind::WriteSlope:
        return AnswerKind::SlopeWritten;
    case Kind::WriteOffset:
        return AnswerKind::OffsetWritten;
    case Kind::ReadBack:
        break;
    }
    return AnswerKind::ParametersRead;
}

std::uint16_t RestoreStep::written() const {
    return kind == Kind::WriteOffset ? entry.offset : entry.slope;
}

std::vector<RestoreStep> restorePlan(std::uint8_t station,
                                     const std::vector<ExportEntry> &entries) {
    std::vector<RestoreStep> plan;
    plan.reserve(entries.size() * 3);
    for (const ExportEntry &e : entries) {
        const auto ch = static_cast<std::uint8_t>(e.channel);
        plan.push_back({RestoreStep::Kind::WriteSlope, e,
                        parameterWriteFrame(Parameter::Slope, station, e.slope, ch)});
        plan.push_back({RestoreStep::Kind::WriteOffset, e,
                        parameterWriteFrame(Parameter::Offset, station, e.offset, ch)});
        plan.push_back({RestoreStep::Kind::ReadBack, e, parameterReadFrame(station, ch)});
    }
    return plan;
}

StepVerdict verifyEcho(const RestoreStep &step, std::optional<std::uint16_t> echoed) {
    StepVerdict v;
    v.echoed = echoed;
    if (echoed != step.written())
        v.fault = StepVerdict::Fault::WrongEcho;
    return v;
}

StepVerdict verifyReadBack(const RestoreStep &step, std::optional<std::uint16_t> slope,
                           std::optional<std::uint16_t> offset) {
    StepVerdict v;
    if (!slope || !offset) {
        v.fault = StepVerdict::Fault::NoParameters;
        return v;
    }
    v.slope = *slope;
    v.offset = *offset;
    if (v.slope != step.entry.slope || v.offset != step.entry.offset)
        v.fault = StepVerdict::Fault::ReadBackDiffers;
    return v;
}

StepVerdict verifyAnswer(const RestoreStep &step, const DecodedAnswer &answer) {
    if (step.kind == RestoreStep::Kind::ReadBack)
        return verifyReadBack(step, answer.slope, answer.offset);
    return verifyEcho(step, answer.echoedValue);
}

} // namespace tr
