#pragma once

#include "cli/commandline.h"
#include "cli/transactor.h"
#include "domain/exportparse.h"
#include "modbus/frame.h"

#include <vector>

namespace tr::cli {

// Each returns the exit status and reports on stderr.
int runCalRead(const CliOptions &options, Transactor &link);
int runCalWrite(const CliOptions &options, Transactor &link);
int runBackup(const CliOptions &options, Transactor &link);
int runRestore(const CliOptions &options, const std::vector<ExportEntry> &entries,
               Transactor &link);

// The frames a restore sends for each channel, in order: slope write, offset write, read-back.
std::vector<Frame> restoreFrames(int station, const std::vector<ExportEntry> &entries);

// Reads and checks a backup file before anything is sent; on failure returns the exit status
// (5) after reporting "FILE:LINE: reason".
struct LoadedBackup {
    std::vector<ExportEntry> entries;
    int exitCode = 0;
};
LoadedBackup loadBackup(const QString &path);

} // namespace tr::cli
