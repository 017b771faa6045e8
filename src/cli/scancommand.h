#pragma once

#include "cli/commandline.h"
#include "cli/transactor.h"

namespace tr::cli {

// Probes each station of options.stations at each rate of options.bauds with a measurement read
// and prints a line for every module that answers. Returns the exit status: 0 when at least one
// answered, 2 when none did, 128 + the signal after Ctrl+C or SIGTERM.
int runScan(const CliOptions &options, Transactor &link);

} // namespace tr::cli
