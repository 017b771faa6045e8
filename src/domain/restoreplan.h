#pragma once

#include "domain/exportparse.h"
#include "modbus/decode.h"
#include "modbus/frame.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tr {

// One request of a restore: a channel's slope write, its offset write, or the read-back that
// proves both arrived. Every request is answered in 8 bytes.
struct RestoreStep {
    enum class Kind { WriteSlope, WriteOffset, ReadBack };
    Kind kind = Kind::WriteSlope;
    ExportEntry entry; // the channel and the values it must hold
    Frame frame{};

    // The pending-answer kind of the request (slope echo, offset echo, parameters read).
    AnswerKind answerKind() const;
    // The value a write sends; a read-back sends none.
    std::uint16_t written() const;
    bool endsChannel() const { return kind == Kind::ReadBack; }
};

// The requests of a restore in the order they go out, three for each entry in list order.
std::vector<RestoreStep> restorePlan(std::uint8_t station, const std::vector<ExportEntry> &entries);

// What an answer to a step shows. The transport's own failures (no answer, a bad CRC, a closed
// port) are the caller's: by then there is nothing to judge.
struct StepVerdict {
    enum class Fault {
        None,
        WrongEcho,       // a write echoed another value; `echoed` holds it, if any
        NoParameters,    // the read-back carried no slope and offset
        ReadBackDiffers, // `slope` and `offset` hold what came back
    };
    Fault fault = Fault::None;
    std::optional<std::uint16_t> echoed;
    std::uint16_t slope = 0;
    std::uint16_t offset = 0;
    bool ok() const { return fault == Fault::None; }
};

StepVerdict verifyEcho(const RestoreStep &step, std::optional<std::uint16_t> echoed);
StepVerdict verifyReadBack(const RestoreStep &step, std::optional<std::uint16_t> slope,
                           std::optional<std::uint16_t> offset);
// The same for a whole decoded answer, by the step's kind.
StepVerdict verifyAnswer(const RestoreStep &step, const DecodedAnswer &answer);

} // namespace tr
