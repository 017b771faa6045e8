// The simulator's receive path: any byte stream, in chunks at any pace, cut by the framer and
// answered by the request handler of a module in any state.
//
// Input: mode, station, for each of the 8 channels flags (bit 0 open, bits 1-3 hundredths),
// tenths (int16 LE), slope (uint16 LE), offset (uint16 LE); then chunks of
// gap (uint16 LE, microseconds since the last chunk; 0xFFFF: the line goes away), length, bytes.
//   mode bit 0: every framed request gets a correct CRC before it is handled, so the requests
//               get past the CRC check as often as they are refused by it.
#include "framer.h"
#include "fuzzcheck.h"
#include "requesthandler.h"

using namespace tr::sim;

void trfuzz::fuzzOne(Input in) {
    const auto mode = get<std::uint8_t>(in);
    ModuleState state{get<std::uint8_t>(in)}; // the station
    for (std::size_t ch = 0; ch < kChannels; ++ch) {
        const auto flags = get<std::uint8_t>(in);
        state.open[ch] = flags & 1;
        state.celsius[ch] = get<std::int16_t>(in) / 10.0 + (flags >> 1 & 7) / 100.0;
        state.calibration[ch] = {get<std::uint16_t>(in), get<std::uint16_t>(in)};
    }
    const Micros silence = 1823; // 3.5 characters of 10 bits at 19200 baud
    RequestFramer framer(silence);
    std::vector<std::uint8_t> fed, handed; // what went into the framer, what came out
    for (Micros now = 0, gap = 0; gap >= 0;) {
        // A gap of 0xFFFF, and the end of the input, is the line going away.
        now += gap = in.empty() ? -1 : get<std::uint16_t>(in);
        const bool gone = gap < 0 || gap == 0xFFFF;
        const std::size_t length = gone ? 0 : get<std::uint8_t>(in);
        const Input chunk = in.first(std::min(length, in.size()));
        in = in.subspan(chunk.size());
        const std::size_t old = fed.size(); // bytes fed before this chunk
        fed.insert(fed.end(), chunk.begin(), chunk.end());
        for (auto &[kind, q, first, last] : gone ? framer.reset() : framer.feed(chunk, now)) {
            // Frames are whole 8-byte requests. No event takes bytes from both sides of a silence,
            // and a partial frame is dropped only by a silence after it or by the line going away.
            FUZZ_CHECK(gap < silence || handed.size() >= old || handed.size() + q.size() <= old);
            handed.insert(handed.end(), q.begin(), q.end());
            const bool frame = kind == FramerEvent::Kind::Frame;
            FUZZ_CHECK(frame ? q.size() == 8
                             : !q.empty() && q.size() < 8 && (gone || now - last >= silence));
            if (!frame)
                continue;
            if (mode & 1)
                putCrc(q);
            // Only an intact request to this station is answered: from this station with a good
            // CRC, an exception in five bytes, a calibration answer in eight, a register read in
            // 2N + 5. A calibration read gives the channel's slope and offset, a write is echoed.
            const bool ours = !referenceCrc(q) && q[0] == state.station && q[0] != 0;
            const Calibration cal = state.calibration[(q[5] - 1U) % kChannels];
            const Reply r = handleRequest(q, state);
            const bool answered = r.verdict == Verdict::Answered;
            const std::vector<std::uint8_t> &a = r.answer;
            FUZZ_CHECK(ours == (answered || r.verdict == Verdict::Exception) && ours != a.empty());
            const std::size_t n = !answered ? 5 : q[1] == 0x42 ? 8 : 2 * (q[4] << 8 | q[5]) + 5;
            FUZZ_CHECK(!ours || (a.size() == n && !referenceCrc(a) && a[0] == q[0] &&
                                 a[1] == (answered ? q[1] : q[1] | 0x80)));
            FUZZ_CHECK(!r.calibrationChanged || (answered && q[1] == 0x42 && a == q));
            if (answered && q[1] == 0x42 && !r.calibrationChanged)
                FUZZ_CHECK((a[2] | a[3] << 8) == cal.slope && (a[4] | a[5] << 8) == cal.offset);
        }
        // The stream comes back unchanged and in order; fewer than eight bytes wait for the rest
        // of their frame, unless the line went away.
        const std::size_t held = fed.size() - handed.size();
        FUZZ_CHECK(held <= fed.size() && std::equal(handed.begin(), handed.end(), fed.begin()));
        FUZZ_CHECK(held < 8 && framer.hasPartial() == (held > 0) && (!gone || !held));
    }
}
