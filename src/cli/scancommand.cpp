#include "cli/scancommand.h"

#include "cli/answercheck.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/stopsignals.h"
#include "modbus/decode.h"
#include "modbus/scanplan.h"

#include <QElapsedTimer>

namespace tr::cli {

int runScan(const CliOptions &o, Transactor &link) {
    const StopSignals stop;
    const bool progress = progressWanted(o.progress);
    QElapsedTimer clock;
    clock.start();
    int found = 0;
    for (ScanPlan plan(o.bauds, o.stations); !plan.finished() && !StopSignals::received();
         plan.advance()) {
        const ScanProbe probe = plan.current();
        if (plan.startsBaud()) {
            if (!link.setBaud(probe.baud)) {
                printError(QStringLiteral("the port does not take %1 baud").arg(probe.baud));
                plan.skipBaud();
                continue;
            }
            if (progress)
                printNote(QStringLiteral("scan: %1 baud, %2 station(s)")
                              .arg(probe.baud)
                              .arg(o.stations.size()));
        }
        if (progress && probe.stationIndex > 0 && probe.stationIndex % 50 == 0)
            printNote(
                QStringLiteral("scan: %1 baud, station %2").arg(probe.baud).arg(probe.station));
        const Frame request = measurementRequest(static_cast<std::uint8_t>(probe.station),
                                                 static_cast<std::uint8_t>(o.function), 0, 8);
        const Exchange ex = link.exchange(request);
        if (ex.disconnected) {
            printError(QStringLiteral("%1 went away; the scan stops").arg(o.device));
            return ExitFileError;
        }
        // An exception is an answer too: a module is there, it only refused the read.
        if (!ex.check.ok() && ex.check.status != AnswerStatus::Exception)
            continue;
        ++found;
        const QString readings =
            ex.check.ok() ? valueLine(decodeMeasurement(8, ex.answer)->readings).trimmed()
                          : statusText(ex.check);
        printLine(QStringLiteral("station %1 at %2 baud: %3")
                      .arg(probe.station)
                      .arg(probe.baud)
                      .arg(readings));
    }
    if (o.progress != Progress::Silenced)
        printError(QStringLiteral("scan%1: %2 module(s) found in %3 s")
                       .arg(StopSignals::received() ? QStringLiteral(" stopped") : QString())
                       .arg(found)
                       .arg(double(clock.elapsed()) / 1000.0, 0, 'f', 1));
    if (StopSignals::received())
        return ExitSignal + StopSignals::received();
    return found > 0 ? ExitOk : ExitNoAnswer;
}

} // namespace tr::cli
