#pragma once

#include "cli/commandline.h"

namespace tr::cli {

// Opens the line (unless the command needs none), runs the command, returns the exit status.
int runCommand(const CliOptions &options);

} // namespace tr::cli
