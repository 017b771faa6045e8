#pragma once

#include "faults.h"
#include "framer.h"
#include "modulestate.h"
#include "options.h"
#include "temperatures.h"
#include "wirelog.h"

#include <deque>

namespace tr::sim {

// The I/O loop: reads requests from the pseudo-terminal master, answers them through the
// request handler and writes each answer byte at the moment the wire would deliver it.
class Server {
public:
    Server(const Options &options, const ModuleState &initial, int masterFd, int wakeFd,
           WireLog &log);

    // Runs until a stop signal, standard input closing or the parent ending (as configured).
    // Returns the exit code.
    int run();

private:
    struct Pending {
        Transmission transmission;
        Micros start = 0; // the first byte's start bit
    };

    Micros byteTime(double bytes) const;
    void readMaster();
    void hangUp();
    void onFrame(const FramerEvent &frame);
    void transmit(const Pending &answer);
    bool nobodyListening() const;
    bool parentGone() const;

    // One module on the bus: its registers and calibration, and what its sensors measure.
    struct Module {
        ModuleState state;
        TemperatureSource temperatures;
    };
    // The module a request is for; the first one (which then does not answer) for any other.
    Module &moduleFor(std::uint8_t station);
    // The line's speed as the master set it differs from --baud.
    bool wrongBaud() const;

    Options options_;
    std::vector<Module> modules_;
    int master_;
    int wake_;
    WireLog &log_;
    RequestFramer framer_;
    FaultInjector faults_;
    std::deque<Pending> pending_;
    bool hungUp_ = false;
    int parent_ = -1;
    bool stdinClosed_ = false;
};

} // namespace tr::sim
