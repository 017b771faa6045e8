#include "cli/runcommand.h"

#include "cli/calcommands.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/outputfile.h"
#include "cli/portscommand.h"
#include "cli/readcommand.h"
#include "cli/scancommand.h"
#include "modbus/hextext.h"

#include <QFileInfo>

namespace tr::cli {

int runCommand(const CliOptions &o) {
    if (o.command == Command::Ports || o.command == Command::PortsLink ||
        o.command == Command::PortsUnlink)
        return runPorts(o);
    // A malformed backup is refused before the port is even opened.
    LoadedBackup backup;
    if (o.command == Command::CalRestore) {
        backup = loadBackup(o.file);
        if (backup.exitCode != ExitOk)
            return backup.exitCode;
        if (o.dryRun) {
            for (const RestoreStep &step :
                 restorePlan(static_cast<std::uint8_t>(o.station), backup.entries))
                printLine(sendText(step.frame));
            return ExitOk;
        }
        if (backup.entries.empty()) {
            printError(QStringLiteral("%1 lists no channels; nothing to restore").arg(o.file));
            return ExitOk;
        }
    }

    // A backup target that is no regular file is refused before the module is asked.
    if (o.command == Command::CalBackup)
        if (const auto kind = notARegularFile(o.file)) {
            printError(QStringLiteral("cannot write %1: %2, not a regular file; it is left as it "
                                      "was")
                           .arg(o.file, *kind));
            return ExitFileError;
        }

    Transactor::Trace trace;
    if (o.trace)
        trace = [](const QString &text) { printNote(text); };
    Transactor link({o.baud, o.timeoutMs, o.retries}, trace);
    if (const auto why = link.open(o.device)) {
        // A COMn link whose device is not plugged in: name what it points to.
        const QFileInfo info(o.device);
        if (info.isSymLink() && !info.exists())
            printError(QStringLiteral("cannot open %1: it links to %2, which does not exist")
                           .arg(o.device, info.symLinkTarget()));
        else
            printError(QStringLiteral("cannot open %1: %2").arg(o.device, *why));
        return ExitFileError;
    }

    switch (o.command) {
    case Command::Read:
        return runRead(o, link);
    case Command::CalRead:
        return runCalRead(o, link);
    case Command::CalWrite:
        return runCalWrite(o, link);
    case Command::CalBackup:
        return runBackup(o, link);
    case Command::CalRestore:
        return runRestore(o, backup.entries, link);
    case Command::Scan:
        return runScan(o, link);
    case Command::Ports:
    case Command::PortsLink:
    case Command::PortsUnlink:
        break;
    }
    return ExitUsage;
}

} // namespace tr::cli
