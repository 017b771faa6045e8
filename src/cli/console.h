#pragma once

#include "cli/commandline.h"

#include <QString>

namespace tr::cli {

// One line to standard output, flushed at once: a reader of a pipe sees every sample as it comes.
void printLine(const QString &line);
// "tr6400-cli: <text>" to standard error.
void printError(const QString &text);
// A line to standard error as it is (progress, trace).
void printNote(const QString &text);

// Progress lines go to a terminal unless --quiet; --progress forces them into a pipe or file.
bool progressWanted(Progress progress);

} // namespace tr::cli
