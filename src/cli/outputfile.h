#pragma once

#include <QString>
#include <optional>

namespace tr::cli {

// What the command line may write to: a regular file, a link to one, or a name that is not taken
// yet. Anything else (a device node, a FIFO, a directory, a socket) is returned as its kind, "a
// FIFO", and must be left as it is: replacing /dev/full with a file, or blocking on a FIFO
// nobody reads, is no way to write a backup or a log.
std::optional<QString> notARegularFile(const QString &path);

} // namespace tr::cli
