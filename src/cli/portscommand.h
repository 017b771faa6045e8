#pragma once

#include "cli/commandline.h"

namespace tr::cli {

// ports, ports link, ports unlink: the serial devices of this machine and the COMn links of
// the tool's ports/ folder. Each returns the exit status and reports on stderr.
int runPorts(const CliOptions &options);

} // namespace tr::cli
