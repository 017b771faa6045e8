#include "options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>

namespace tr::sim {

namespace {

template <typename T> std::optional<T> number(std::string_view text) {
    T value{};
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> splitCommas(std::string_view text) {
    std::vector<std::string_view> items;
    for (std::size_t from = 0;;) {
        const std::size_t comma = text.find(',', from);
        items.push_back(text.substr(from, comma - from));
        if (comma == std::string_view::npos)
            return items;
        from = comma + 1;
    }
}

// Each handler returns an error text, empty when the value was taken.
using Handler = std::function<std::string(Options &, std::string_view)>;

Handler integer(int Options::*field, int low, int high) {
    return [=](Options &o, std::string_view v) -> std::string {
        const auto n = number<int>(v);
        if (!n || *n < low || *n > high)
            return "expects a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high);
        o.*field = *n;
        return {};
    };
}

Handler probability(double FaultRates::*field) {
    return [=](Options &o, std::string_view v) -> std::string {
        const auto p = number<double>(v);
        if (!p || !(*p >= 0 && *p <= 1))
            return "expects a probability from 0 to 1";
        o.faults.*field = *p;
        return {};
    };
}

std::string takeStations(Options &o, std::string_view v) {
    o.stations.clear();
    for (std::string_view item : splitCommas(v)) {
        const auto s = number<int>(item);
        if (!s || *s < 1 || *s > 247)
            return "expects stations 1 to 247 separated by commas, e.g. 2,5";
        o.stations.push_back(*s);
    }
    o.station = o.stations.front();
    return {};
}

// "T1,T2,..." for every station, or "S:T1,T2,..." for station S alone.
std::string takeValues(Options &o, std::string_view v) {
    auto *values = &o.values;
    if (const auto colon = v.find(':'); colon != std::string_view::npos) {
        const auto s = number<int>(v.substr(0, colon));
        if (!s || *s < 1 || *s > 247)
            return "expects a station 1 to 247 before the colon";
        values = &o.stationValues[*s];
        v = v.substr(colon + 1);
    }
    const auto items = splitCommas(v);
    if (items.size() > static_cast<std::size_t>(kChannels))
        return "takes at most 8 temperatures";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto t = number<double>(items[i]);
        // A register holds -3276.8 to 3276.7 °C in tenths.
        if (!t || !(std::abs(*t) <= 3276.7))
            return "expects temperatures in °C separated by commas, e.g. 23.5,-10";
        (*values)[i] = *t;
    }
    return {};
}

std::string takeOpen(Options &o, std::string_view v) {
    for (std::string_view item : splitCommas(v)) {
        const auto ch = number<int>(item);
        if (!ch || *ch < 1 || *ch > kChannels)
            return "expects channel numbers 1 to 8 separated by commas, e.g. 3,7";
        o.open[static_cast<std::size_t>(*ch - 1)] = true;
    }
    return {};
}

const std::map<std::string, Handler, std::less<>> &valueOptions() {
    static const std::map<std::string, Handler, std::less<>> handlers{
        {"--station", takeStations},
        {"--baud", integer(&Options::baud, 50, 4000000)},
        {"--turnaround-ms",
         [](Options &o, std::string_view v) -> std::string {
             const auto ms = number<double>(v);
             if (!ms || !(*ms >= 0 && *ms <= 60000))
                 return "expects milliseconds from 0 to 60000";
             o.turnaroundMs = *ms;
             return {};
         }},
        {"--values", takeValues},
        {"--open", takeOpen},
        {"--seed",
         [](Options &o, std::string_view v) -> std::string {
             const auto s = number<std::uint32_t>(v);
             if (!s)
                 return "expects a whole number from 0 to 4294967295";
             o.seed = *s;
             return {};
         }},
        {"--state",
         [](Options &o, std::string_view v) -> std::string {
             o.statePath = v;
             return {};
         }},
        {"--link",
         [](Options &o, std::string_view v) -> std::string {
             o.linkPath = v;
             return {};
         }},
        {"--drop", probability(&FaultRates::drop)},
        {"--drop-answer",
         [](Options &o, std::string_view v) -> std::string {
             for (std::string_view item : splitCommas(v)) {
                 const auto n = number<long>(item);
                 if (!n || *n < 1)
                     return "expects answer numbers from 1 separated by commas, e.g. 3,7";
                 o.faults.dropAt.push_back(*n);
             }
             std::sort(o.faults.dropAt.begin(), o.faults.dropAt.end());
             return {};
         }},
        {"--corrupt", probability(&FaultRates::corrupt)},
        {"--truncate", probability(&FaultRates::truncate)},
        {"--garbage", probability(&FaultRates::garbage)},
        {"--late", probability(&FaultRates::late)},
        {"--exception", probability(&FaultRates::exception)},
        {"--late-ms",
         [](Options &o, std::string_view v) -> std::string {
             const auto ms = number<int>(v);
             if (!ms || *ms < 0 || *ms > 60000)
                 return "expects milliseconds from 0 to 60000";
             o.faults.lateMs = *ms;
             return {};
         }},
    };
    return handlers;
}

} // namespace

ParsedOptions parseOptions(const std::vector<std::string> &args) {
    ParsedOptions parsed;
    Options &o = parsed.options;
    bool lateGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }

        const auto flag = [&](bool &field) {
            if (inlineValue)
                parsed.error = std::string(arg) + " takes no value";
            field = true;
        };
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--version") {
            parsed.version = true;
        } else if (arg == "--exit-on-stdin-eof") {
            flag(o.exitOnStdinEof);
        } else if (arg == "--exit-with-parent") {
            flag(o.exitWithParent);
        } else if (arg == "--match-baud") {
            flag(o.matchBaud);
        } else if (arg == "--log") {
            // The file is optional: "--log" alone logs to standard output.
            o.log = true;
            if (inlineValue)
                o.logPath = *inlineValue;
            else if (i + 1 < args.size() && !args[i + 1].starts_with("-"))
                o.logPath = args[++i];
        } else if (const auto it = valueOptions().find(arg); it != valueOptions().end()) {
            std::string_view value;
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size() && !args[i + 1].starts_with("--")) {
                // An option name is never a value: "--link --exit-on-stdin-eof" forgot the path.
                value = args[++i];
            } else {
                parsed.error = std::string(arg) + " needs a value";
                return parsed;
            }
            if (const std::string why = it->second(o, value); !why.empty())
                parsed.error =
                    std::string(arg) + " " + why + ", not \"" + std::string(value) + "\"";
            lateGiven = lateGiven || arg == "--late";
        } else {
            parsed.error = "unknown option \"" + std::string(args[i]) + "\"";
        }
        if (!parsed.error.empty())
            return parsed;
    }

    // --late-ms alone makes every answer late; --late alone has no delay to apply.
    if (o.faults.lateMs > 0 && !lateGiven)
        o.faults.late = 1;
    if (lateGiven && o.faults.late > 0 && o.faults.lateMs == 0)
        parsed.error = "--late needs --late-ms";
    if (o.stations.size() > 1 && !o.statePath.empty())
        parsed.error = "--state keeps the calibration of one station; give one --station";
    return parsed;
}

std::string helpText() {
    return R"(Usage: tr6400-sim [options]

Plays the TR6400 eight-channel PT100 module: a Modbus RTU slave on a pseudo-terminal.
The first line on standard output is the path of the pseudo-terminal to open.

Line:
  --station N[,N...]   station address, 1-247 (default 2); several stations make one
                       process answer as several modules on one bus, each with its own
                       values and calibration; other stations and broadcasts (0) get
                       no answer
  --baud B             wire speed for pacing, 10 bits a byte (default 19200)
  --turnaround-ms T    pause between the end of a request and the answer (default 5)
  --link PATH          symlink PATH to the pseudo-terminal (a stale link is replaced;
                       missing folders are made); removed on exit
  --match-baud         answer only requests sent at --baud (the pseudo-terminal's line
                       settings); others are noise, as for a module at another speed

Module:
  --values T1,T2,...   fix channels 1, 2, ... to these °C (up to 8); channels not
                       given drift around a base of 20-30 °C. S:T1,T2,... fixes them
                       for station S alone (given once per station)
  --open C1,C2,...     channels (1-8) with an open sensor: they read 0xFFFF
  --seed S             seed of the drift and of the faults (default 1)
  --state FILE         keep the calibration (slope, offset) in FILE across restarts;
                       rewritten after every calibration write (one station only)

Faults, each a probability 0-1 decided anew for every answer:
  --drop P             send no answer
  --drop-answer N,... send no answer the N-th time an answer is due (from 1)
  --exception P        answer exception 04 (device failure) instead
  --truncate P         send only a random non-empty part from the start
  --corrupt P          flip one bit after the CRC was computed
  --garbage P          send 1-4 stray bytes before the answer
  --late P             send the answer --late-ms later (needs --late-ms)
  --late-ms M          extra delay of a late answer; given without --late,
                       every answer is late by M ms

Running:
  --log [FILE]         one line per request and answer to FILE (default standard
                       output): "<microseconds on CLOCK_MONOTONIC> <tag> <hex bytes>".
                       Tags: RX (request), RX-BADCRC, RX-OTHER (other station or
                       broadcast), RX-DISCARD (partial frame dropped after silence),
                       TX (intact answer, stamped when its last byte was written),
                       TX-EXCEPTION/-TRUNCATE/-CORRUPT/-GARBAGE/-LATE joined by "+"
                       for injected faults, DROP (answer not sent), TX-LOST (nobody
                       held the port, answer discarded)
  --exit-on-stdin-eof  stop when standard input is closed
  --exit-with-parent   stop when the parent process ends
  -h, --help           show this text
  --version            show the program's version

Protocol:
  Functions 3 and 4 read registers 0-31: 0-7 are channels 1-8 in tenths of a
  degree (two's complement, 0xFFFF for an open sensor), 8-31 read 0. A count of
  0 or over 125, or a read past register 31, gets exception 02; other functions
  get exception 01; requests with a bad CRC are ignored.
  Function 0x42 (station, 42, op, lo, hi, channel, CRC): op 0 with bytes 00 02
  reads slope and offset (answer: station, 42, slope lo/hi, offset lo/hi, CRC);
  op 1 writes the slope, op 2 the offset, answered by an echo of the request.
  A channel outside 1-8 gets exception 02; any other op, or a read whose bytes
  are not 00 02, gets exception 03.
  Readings: shown = raw x slope / 1000 + offset / 10, rounded to a tenth; slope is
  unsigned (1000 = 1.0), offset signed tenths (65526 = -1.0 °C).

Stops cleanly on SIGINT, SIGTERM and SIGHUP.
)";
}

} // namespace tr::sim
