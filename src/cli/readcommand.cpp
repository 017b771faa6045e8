#include "cli/readcommand.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/sampleformat.h"
#include "domain/datafile.h"
#include "modbus/decode.h"

#include <QFileInfo>
#include <thread>

namespace tr::cli {

namespace {

class SampleOutput {
public:
    explicit SampleOutput(const CliOptions &o) : o_(o) {}

    // Creates the log when needed and gives a new or empty csv log its header.
    bool begin() {
        if (o_.format == OutputFormat::Csv)
            printLine(csvHeader(o_.start, o_.count));
        if (o_.logPath.isEmpty())
            return true;
        const QFileInfo info(o_.logPath);
        const bool fresh = !info.exists() || info.size() == 0;
        QByteArray first; // an empty append still proves the file can be opened for appending
        if (fresh && o_.format == OutputFormat::Csv)
            first = csvHeader(o_.start, o_.count).toUtf8() + "\r\n";
        return append(first);
    }

    bool put(const Sample &s) {
        if (o_.format == OutputFormat::Csv) {
            const QString row = csvRow(s, o_.count);
            printLine(row);
            return o_.logPath.isEmpty() || append(row.toUtf8() + "\r\n");
        }
        printLine(textRow(s));
        // The window's data-file record; a failed sample records its status as the line.
        return o_.logPath.isEmpty() || append(dataRecord(s.when, textRow(s)));
    }

private:
    bool append(const QByteArray &bytes) {
        if (const auto why = appendRecord(o_.logPath, bytes)) {
            printError(QStringLiteral("cannot append to %1: %2").arg(o_.logPath, *why));
            return false;
        }
        return true;
    }

    const CliOptions &o_;
};

} // namespace

int runRead(const CliOptions &o, Transactor &link) {
    const Frame request = measurementRequest(
        static_cast<std::uint8_t>(o.station), static_cast<std::uint8_t>(o.function),
        static_cast<std::uint8_t>(o.start), static_cast<std::uint8_t>(o.count));
    const Expectation expect = measurementExpectation(o.count);

    SampleOutput output(o);
    if (!output.begin())
        return ExitFileError;

    // Sample k is due at start + k * period on the steady clock: a late sample delays nothing
    // after it, so the schedule never drifts.
    const std::chrono::milliseconds period(o.everyMs);
    const auto start = SteadyClock::now();
    const QDateTime wallStart = QDateTime::currentDateTime();
    int exitCode = ExitOk;
    for (long long k = 0; !o.samples || k < *o.samples; ++k) {
        Sample s;
        s.seq = k + 1;
        auto notAfter = SteadyClock::time_point::max();
        if (o.everyMs > 0) {
            const auto due = start + k * period;
            notAfter = due + period;
            std::this_thread::sleep_until(due);
            if (SteadyClock::now() >= notAfter) {
                // The machine stalled past this sample's whole period (before or during the sleep):
                // say so instead of leaving a gap.
                s.when = wallStart.addMSecs(k * o.everyMs);
                s.status = QStringLiteral("missed");
                printError(QStringLiteral("sample %1: missed, the program fell behind").arg(s.seq));
                if (!output.put(s))
                    return ExitFileError;
                continue;
            }
        }

        s.when = QDateTime::currentDateTime();
        const Exchange ex = link.exchange(request, expect, notAfter);
        s.status = statusText(ex.check);
        if (ex.check.ok()) {
            const DecodedAnswer decoded = decodeMeasurement(o.count, ex.answer);
            s.ok = decoded.decoded();
            s.values = registerValues(decoded);
            s.valueLine = valueLine(decoded.readings);
        } else {
            printError(QStringLiteral("sample %1: %2 from station %3 after %4 attempt(s)")
                           .arg(s.seq)
                           .arg(statusDescription(ex.check))
                           .arg(o.station)
                           .arg(ex.attempts));
            if (exitCode == ExitOk)
                exitCode = exitCodeFor(ex.check);
        }
        if (!output.put(s))
            return ExitFileError;
    }
    return exitCode;
}

} // namespace tr::cli
