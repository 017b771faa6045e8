#include "calibrationstore.h"
#include "options.h"
#include "pseudoterminal.h"
#include "server.h"
#include "stopsignals.h"
#include "version/version.h"
#include "wirelog.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace tr::sim;

int main(int argc, char **argv) {
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    if (parsed.version) {
        std::printf("tr6400-sim %s\n", tr::kVersion);
        return 0;
    }
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tr6400-sim: %s (see --help)\n", parsed.error.c_str());
        return 2;
    }
    const Options &options = parsed.options;

    ModuleState state;
    state.station = static_cast<std::uint8_t>(options.station);
    state.open = options.open;
    if (!options.statePath.empty()) {
        const LoadedCalibration loaded = loadCalibration(options.statePath);
        if (!loaded.error.empty()) {
            std::fprintf(stderr, "tr6400-sim: %s\n", loaded.error.c_str());
            return 1;
        }
        std::copy(loaded.table.begin(), loaded.table.end(), state.calibration.begin());
    }

    const int wakeFd = installStopSignals();
    PseudoTerminal pty;
    PortLink link;
    WireLog log;
    std::string error = wakeFd < 0 ? "cannot create the signal pipe" : pty.open();
    if (error.empty() && !options.linkPath.empty())
        error = link.create(pty.slavePath(), options.linkPath);
    if (error.empty() && options.log)
        error = log.open(options.logPath);
    if (!error.empty()) {
        std::fprintf(stderr, "tr6400-sim: %s\n", error.c_str());
        return 1;
    }

    // The first line tells the caller where to connect; the link exists by now.
    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);

    return Server(options, state, pty.masterFd(), wakeFd, log).run();
}
