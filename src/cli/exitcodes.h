#pragma once

namespace tr::cli {

// What scripts see; the numbers are part of the command line's contract.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,
    ExitNoAnswer = 2,  // timeout, also after the retries
    ExitBadAnswer = 3, // CRC, length, station or function wrong; read-back differs
    ExitException = 4, // the module answered with a Modbus exception
    ExitFileError = 5, // settings, log or backup file, or the serial device
    ExitMqtt = 6,      // the broker refused the connection, or rows were not delivered
};

} // namespace tr::cli
