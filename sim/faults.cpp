#include "faults.h"

#include "requesthandler.h"

#include <algorithm>

namespace tr::sim {

namespace {
constexpr std::uint8_t kDeviceFailure = 0x04;
}

bool FaultInjector::happens(double probability) {
    // No draw for a fault that is switched off, so adding one fault keeps the others' sequence.
    if (probability <= 0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < probability;
}

int FaultInjector::uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng_);
}

Transmission FaultInjector::apply(std::vector<std::uint8_t> answer) {
    Transmission t;
    std::string faults;
    const auto mark = [&faults](const char *name) {
        faults += faults.empty() ? "" : "+";
        faults += name;
    };

    ++answers_;
    const bool chosen = std::binary_search(rates_.dropAt.begin(), rates_.dropAt.end(), answers_);
    if (chosen || happens(rates_.drop)) {
        t.bytes = std::move(answer);
        t.dropped = true;
        t.tag = "DROP";
        return t;
    }
    if (answer.size() >= 2 && happens(rates_.exception)) {
        answer = exceptionAnswer(answer[0], answer[1] & 0x7F, kDeviceFailure);
        mark("EXCEPTION");
    }
    if (answer.size() >= 2 && happens(rates_.truncate)) {
        answer.resize(static_cast<std::size_t>(uniform(1, static_cast<int>(answer.size()) - 1)));
        mark("TRUNCATE");
    }
    if (!answer.empty() && happens(rates_.corrupt)) {
        // A single flipped bit always breaks the CRC.
        const auto at = static_cast<std::size_t>(uniform(0, static_cast<int>(answer.size()) - 1));
        answer[at] ^= static_cast<std::uint8_t>(1U << uniform(0, 7));
        mark("CORRUPT");
    }
    if (happens(rates_.garbage)) {
        const int count = uniform(1, 4);
        std::vector<std::uint8_t> stray;
        for (int i = 0; i < count; ++i)
            stray.push_back(static_cast<std::uint8_t>(uniform(0, 255)));
        answer.insert(answer.begin(), stray.begin(), stray.end());
        mark("GARBAGE");
    }
    if (rates_.lateMs > 0 && happens(rates_.late)) {
        t.extraDelay = Micros{rates_.lateMs} * 1000;
        mark("LATE");
    }
    t.bytes = std::move(answer);
    t.tag = faults.empty() ? "TX" : "TX-" + faults;
    return t;
}

} // namespace tr::sim
