#pragma once

#include "cli/commandline.h"

#include <QString>
#include <optional>

namespace tr::cli {

// One line to standard output, flushed at once: a reader of a pipe sees every sample as it comes.
// False when the line could not be written (a full disk, a closed pipe); see stdoutFailure().
bool printLine(const QString &line);
// Why standard output lost a line, once one was lost; nothing while every line got through.
std::optional<QString> stdoutFailure();
// Says on stderr, once, that standard output lost lines; false while none was lost.
bool reportLostOutput();
// "tr6400-cli: <text>" to standard error.
void printError(const QString &text);
// A line to standard error as it is (progress, trace).
void printNote(const QString &text);

// Progress lines go to a terminal unless --quiet; --progress forces them into a pipe or file.
bool progressWanted(Progress progress);

} // namespace tr::cli
