#pragma once

namespace tr::cli {

// What scripts see; the numbers are part of the command line's contract, and the README's and
// --help's tables list them.
enum ExitCode : int {
    ExitOk = 0,        // also a device that went away and came back before the end
    ExitUsage = 1,     // options; a csv log under another header; stations beyond --every
    ExitNoAnswer = 2,  // timeout, also after the retries; scan: no module answered
    ExitBadAnswer = 3, // CRC, length (also truncated), station or function wrong; read-back differs
    ExitException = 4, // the module answered with a Modbus exception
    ExitFileError =
        5,            // settings, log or backup file, standard output, the serial device, the spool
    ExitMqtt = 6,     // the broker refused the connection, or rows were not delivered (no spool)
    ExitSignal = 128, // + the signal's number: 129 SIGHUP, 130 SIGINT, 143 SIGTERM
};

} // namespace tr::cli
