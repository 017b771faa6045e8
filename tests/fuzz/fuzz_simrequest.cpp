// The simulator's receive path: any byte stream, in chunks at any pace, cut by the framer and
// answered by the request handler of a module in a random state.
//
// Input: mode, station, for each of the 8 channels flags (bit 0 open, bits 1-3 hundredths),
// tenths (int16 LE), slope (uint16 LE), offset (uint16 LE); then chunks of
// gap (uint16 LE, microseconds since the last chunk; 0xFFFF: the line goes away), length, bytes.
//   mode bit 0: every framed request gets a correct CRC before it is handled, so the
//               requests get past the CRC check as often as they are refused by it.
#include "framer.h"
#include "fuzzcheck.h"
#include "requesthandler.h"

#include <vector>

using namespace tr::sim;
using tr::kCalibrationFunction;
using trfuzz::FuzzInput;

namespace {

// 3.5 characters of 10 bits at 19200 baud.
constexpr Micros kSilence = 1823;

struct Fed {
    std::uint8_t byte;
    Micros at;
};

// Checks one answer against its request and the module before and after it.
void checkReply(const std::vector<std::uint8_t> &request, const ModuleState &before,
                const ModuleState &after, const Reply &reply) {
    const std::uint8_t station = request[0];
    const std::uint8_t function = request[1];
    const bool crcOk = trfuzz::crcFollows(request);
    const bool forUs = station == before.station && station != 0;

    if (!crcOk)
        FUZZ_CHECK(reply.verdict == Verdict::BadCrc, "bad CRC, verdict %d",
                   static_cast<int>(reply.verdict));
    else if (!forUs)
        FUZZ_CHECK(reply.verdict == Verdict::OtherStation,
                   "request to station %u answered by station %u, verdict %d", station,
                   before.station, static_cast<int>(reply.verdict));
    else
        FUZZ_CHECK(reply.verdict == Verdict::Answered || reply.verdict == Verdict::Exception,
                   "good request, verdict %d", static_cast<int>(reply.verdict));

    const bool answers = reply.verdict == Verdict::Answered || reply.verdict == Verdict::Exception;
    FUZZ_CHECK(answers != reply.answer.empty(), "verdict %d with %zu answer bytes",
               static_cast<int>(reply.verdict), reply.answer.size());
    if (reply.calibrationChanged)
        FUZZ_CHECK(reply.verdict == Verdict::Answered && function == kCalibrationFunction,
                   "calibration changed by function %02X, verdict %d", function,
                   static_cast<int>(reply.verdict));

    // Only a calibration write changes the module, and only the channel and value it names.
    ModuleState expected = before;
    if (reply.calibrationChanged) {
        const int channel = request[5];
        FUZZ_CHECK(channel >= 1 && channel <= kChannels, "write to channel %d", channel);
        const auto value = static_cast<std::uint16_t>(request[4] << 8 | request[3]);
        Calibration &cal = expected.calibration[static_cast<std::size_t>(channel - 1)];
        FUZZ_CHECK(request[2] == 1 || request[2] == 2, "write with operation %u", request[2]);
        (request[2] == 1 ? cal.slope : cal.offset) = value;
    }
    FUZZ_CHECK(after.station == expected.station && after.celsius == expected.celsius &&
                   after.open == expected.open && after.calibration == expected.calibration,
               "module changed by function %02X op %02X (changed flag %d)", function, request[2],
               reply.calibrationChanged);
    if (!answers)
        return;

    const std::vector<std::uint8_t> &a = reply.answer;
    FUZZ_CHECK(trfuzz::crcFollows(a), "answer of %zu bytes with a wrong CRC", a.size());
    FUZZ_CHECK(a[0] == before.station, "answer from station %u, module is %u", a[0],
               before.station);
    if (reply.verdict == Verdict::Exception) {
        FUZZ_CHECK(a.size() == 5 && a[1] == (function | 0x80) && a[2] >= 1 && a[2] <= 3,
                   "exception to function %02X: %zu bytes, function %02X code %02X", function,
                   a.size(), a[1], a.size() > 2 ? a[2] : 0);
        return;
    }
    FUZZ_CHECK(a[1] == function, "answer function %02X to %02X", a[1], function);
    if (function == 0x03 || function == 0x04) {
        const int start = request[2] << 8 | request[3];
        const int count = request[4] << 8 | request[5];
        FUZZ_CHECK(count >= 1 && start + count <= kRegisters,
                   "registers %d..%d answered; the module has %d", start, start + count - 1,
                   kRegisters);
        FUZZ_CHECK(a.size() == static_cast<std::size_t>(2 * count + 5) && a[2] == 2 * count,
                   "%d registers answered in %zu bytes, byte count %u", count, a.size(), a[2]);
        for (int i = 0; i < count; ++i) {
            const int reg = start + i;
            const int value = a[3 + 2 * i] << 8 | a[4 + 2 * i];
            if (reg >= kChannels)
                FUZZ_CHECK(value == 0, "register %d beyond the channels reads %04X", reg, value);
            else if (before.open[static_cast<std::size_t>(reg)])
                FUZZ_CHECK(value == 0xFFFF, "open channel %d reads %04X", reg + 1, value);
        }
        return;
    }
    FUZZ_CHECK(function == kCalibrationFunction, "function %02X answered normally", function);
    FUZZ_CHECK(a.size() == 8, "calibration answer of %zu bytes", a.size());
    const int channel = request[5];
    FUZZ_CHECK(channel >= 1 && channel <= kChannels, "channel %d answered", channel);
    if (reply.calibrationChanged) {
        FUZZ_CHECK(a == request, "a write is not echoed unchanged");
    } else {
        FUZZ_CHECK(request[2] == 0 && request[3] == 0 && request[4] == 2,
                   "operation %02X %02X %02X answered as a read", request[2], request[3],
                   request[4]);
        const Calibration &cal = before.calibration[static_cast<std::size_t>(channel - 1)];
        FUZZ_CHECK((a[2] | a[3] << 8) == cal.slope && (a[4] | a[5] << 8) == cal.offset,
                   "channel %d read %u/%u, holds %u/%u", channel, a[2] | a[3] << 8,
                   a[4] | a[5] << 8, cal.slope, cal.offset);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    trfuzz::verifyReferenceCrc();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.u8();
    ModuleState state;
    state.station = in.u8();
    for (std::size_t ch = 0; ch < kChannels; ++ch) {
        const std::uint8_t flags = in.u8();
        state.open[ch] = (flags & 1) != 0;
        state.celsius[ch] = static_cast<std::int16_t>(in.u16()) / 10.0 + (flags >> 1 & 7) / 100.0;
        state.calibration[ch] = {in.u16(), in.u16()};
    }

    RequestFramer framer(kSilence);
    std::vector<Fed> fed;       // every byte given to the framer, with its time
    std::vector<Fed> delivered; // every byte the framer handed back, in order
    Micros now = 0;
    bool lineWentAway = false; // set while reset() runs: it drops a partial frame at once

    const auto take = [&](std::vector<FramerEvent> events) {
        for (FramerEvent &e : events) {
            const std::size_t first = delivered.size();
            FUZZ_CHECK(first + e.bytes.size() <= fed.size(), "the framer made up bytes");
            for (std::size_t i = 0; i < e.bytes.size(); ++i) {
                const Fed &f = fed[first + i];
                FUZZ_CHECK(e.bytes[i] == f.byte, "byte %zu of the stream changed", first + i);
                delivered.push_back(f);
                // Inside one event no gap reaches the silence that ends a frame.
                if (i > 0)
                    FUZZ_CHECK(f.at - fed[first + i - 1].at < kSilence,
                               "an event spans a silence of %lld us",
                               static_cast<long long>(f.at - fed[first + i - 1].at));
            }
            FUZZ_CHECK(!e.bytes.empty() && e.firstByteAt == fed[first].at &&
                           e.lastByteAt == delivered.back().at,
                       "event times %lld-%lld, bytes at %lld-%lld",
                       static_cast<long long>(e.firstByteAt), static_cast<long long>(e.lastByteAt),
                       static_cast<long long>(fed[first].at),
                       static_cast<long long>(delivered.back().at));
            if (e.kind == FramerEvent::Kind::Discarded) {
                FUZZ_CHECK(e.bytes.size() < kRequestLength, "%zu bytes discarded", e.bytes.size());
                // A partial frame is dropped by a silence after it or by the line going away.
                FUZZ_CHECK(lineWentAway || now - e.lastByteAt >= kSilence,
                           "a partial frame dropped after %lld us",
                           static_cast<long long>(now - e.lastByteAt));
                continue;
            }
            FUZZ_CHECK(e.bytes.size() == kRequestLength, "frame of %zu bytes", e.bytes.size());
            if (mode & 1) {
                const std::uint16_t crc =
                    trfuzz::referenceCrc(std::span<const std::uint8_t>(e.bytes).first(6));
                e.bytes[6] = static_cast<std::uint8_t>(crc & 0xFF);
                e.bytes[7] = static_cast<std::uint8_t>(crc >> 8);
            }
            const ModuleState before = state;
            const Reply reply = handleRequest(e.bytes, state);
            checkReply(e.bytes, before, state, reply);
        }
    };

    while (!in.empty()) {
        const std::uint16_t gap = in.u16();
        if (gap == 0xFFFF) {
            lineWentAway = true;
            take(framer.reset());
            lineWentAway = false;
            FUZZ_CHECK(!framer.hasPartial(), "partial frame left after a reset");
            continue;
        }
        now += gap;
        const auto chunk = in.take(in.u8());
        for (std::uint8_t b : chunk)
            fed.push_back({b, now});
        take(framer.feed(chunk, now));
        FUZZ_CHECK(framer.hasPartial() == (delivered.size() < fed.size()),
                   "%zu bytes held back, partial %d", fed.size() - delivered.size(),
                   framer.hasPartial());
        FUZZ_CHECK(fed.size() - delivered.size() < kRequestLength, "%zu bytes held back",
                   fed.size() - delivered.size());
    }
    lineWentAway = true;
    take(framer.reset());
    FUZZ_CHECK(delivered.size() == fed.size(), "%zu of %zu bytes came out of the framer",
               delivered.size(), fed.size());
    return 0;
}
