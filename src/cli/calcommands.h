#pragma once

#include "cli/commandline.h"
#include "cli/transactor.h"
#include "domain/exportparse.h"
#include "domain/restoreplan.h"

#include <vector>

namespace tr::cli {

// Each returns the exit status and reports on stderr.
int runCalRead(const CliOptions &options, Transactor &link);
int runCalWrite(const CliOptions &options, Transactor &link);
int runBackup(const CliOptions &options, Transactor &link);
int runRestore(const CliOptions &options, const std::vector<ExportEntry> &entries,
               Transactor &link);

// Reads and checks a backup file before anything is sent; on failure returns the exit status
// (5) after reporting "FILE:LINE: reason".
struct LoadedBackup {
    std::vector<ExportEntry> entries;
    int exitCode = 0;
};
LoadedBackup loadBackup(const QString &path);

// Why a backup file was refused, without file and line: the English window's words (main()
// installs its translation), a bad line's text, or the system's reason for an unreadable file.
QString exportFaultText(const ParsedExport &parsed);

} // namespace tr::cli
