#pragma once

#include "cli/commandline.h"
#include "cli/transactor.h"

namespace tr::cli {

// Reads the temperatures once, a number of times, or on a fixed schedule (--every), printing
// one row per sample and appending it to the log. Returns the exit status: that of the first
// failed sample, 0 when every sample was answered.
int runRead(const CliOptions &options, Transactor &link);

} // namespace tr::cli
