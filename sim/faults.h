#pragma once

#include "framer.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tr::sim {

// Probabilities from 0 to 1, each decided anew for every answer.
struct FaultRates {
    double drop = 0;      // no answer at all
    double exception = 0; // exception 04 (device failure) instead of the answer
    double truncate = 0;  // only a non-empty proper prefix is sent
    double corrupt = 0;   // one bit flipped after the CRC was computed
    double garbage = 0;   // 1 to 4 stray bytes before the answer
    double late = 0;      // the answer leaves lateMs later than it should
    int lateMs = 0;
    std::vector<long> dropAt; // answers never sent, counted from 1, in rising order
};

struct Transmission {
    std::vector<std::uint8_t> bytes; // what goes on the wire (or would have, when dropped)
    bool dropped = false;
    Micros extraDelay = 0;
    std::string tag; // "TX" for an intact answer, "TX-CORRUPT+LATE", "DROP", ...
};

class FaultInjector {
public:
    FaultInjector(const FaultRates &rates, std::uint32_t seed) : rates_(rates), rng_(seed) {}

    Transmission apply(std::vector<std::uint8_t> answer);

private:
    bool happens(double probability);
    int uniform(int low, int high);

    FaultRates rates_;
    std::mt19937 rng_;
    long answers_ = 0;
};

} // namespace tr::sim
