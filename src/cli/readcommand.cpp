#include "cli/readcommand.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/mqttsession.h"
#include "cli/readsummary.h"
#include "cli/sampleformat.h"
#include "cli/stopsignals.h"
#include "domain/datafile.h"
#include "modbus/decode.h"

#include <QFileInfo>
#include <memory>

namespace tr::cli {

namespace {

class SampleOutput {
public:
    explicit SampleOutput(const CliOptions &o) : o_(o), stations_(o.stations.size() > 1) {}

    // Creates the log when needed and gives a new or empty csv log its header.
    bool begin() {
        if (o_.format == OutputFormat::Csv)
            printLine(csvHeader(o_.start, o_.count, stations_));
        if (o_.logPath.isEmpty())
            return true;
        const QFileInfo info(o_.logPath);
        const bool fresh = !info.exists() || info.size() == 0;
        QByteArray first; // an empty append still proves the file can be opened for appending
        if (fresh && o_.format == OutputFormat::Csv)
            first = csvHeader(o_.start, o_.count, stations_).toUtf8() + "\r\n";
        return append(first);
    }

    bool put(const Sample &s) {
        if (o_.format == OutputFormat::Csv) {
            const QString row = csvRow(s, o_.count, stations_);
            printLine(row);
            return o_.logPath.isEmpty() || append(row.toUtf8() + "\r\n");
        }
        if (o_.format == OutputFormat::Jsonl) {
            const QByteArray row = jsonRow(s, o_.count);
            printLine(QString::fromUtf8(row));
            return o_.logPath.isEmpty() || append(row + '\n');
        }
        printLine(textRow(s, stations_));
        // The window's data-file record; a failed sample records its status as the line.
        return o_.logPath.isEmpty() || append(dataRecord(s.when, textRow(s, stations_)));
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
    const bool stations_;
};

} // namespace

int runRead(const CliOptions &o, Transactor &link) {
    int setupFailure = ExitOk;
    const std::unique_ptr<MqttSession> mqtt = MqttSession::start(o, setupFailure);
    if (setupFailure != ExitOk)
        return setupFailure;
    SampleOutput output(o);
    if (!output.begin())
        return ExitFileError;

    const StopSignals stop;
    ReadSummary summary;
    const bool series = o.everyMs > 0 || !o.samples || *o.samples > 1 || o.stations.size() > 1;
    int exitCode = ExitOk;
    const auto finish = [&](int code) {
        if (mqtt)
            code = mqtt->finish(summary, code, StopSignals::received() != 0);
        if (series && o.progress != Progress::Silenced)
            printError(summary.text());
        return StopSignals::received() ? 128 + StopSignals::received() : code;
    };
    link.setResume(true);
    bool away = false;

    // Sample k is due at start + k * period on the steady clock: a late sample delays nothing
    // after it, so the schedule never drifts. Its stations are read in turn within the period.
    const std::chrono::milliseconds period(o.everyMs);
    const auto start = SteadyClock::now();
    const QDateTime wallStart = QDateTime::currentDateTime();
    const Expectation expect = measurementExpectation(o.count);
    // With MQTT seq goes on from the last run, so station + seq name one row for good.
    const long long seq0 = mqtt ? mqtt->firstSeq(o.stations) : 1;
    for (long long k = 0;
         (!o.samples || k < *o.samples) && !StopSignals::received() && !(mqtt && mqtt->refused());
         ++k) {
        auto notAfter = SteadyClock::time_point::max();
        if (o.everyMs > 0) {
            const auto due = start + k * period;
            notAfter = due + period;
            if (!StopSignals::sleepUntil(due))
                break;
        }
        for (const int station : o.stations) {
            Sample s;
            s.seq = seq0 + k;
            s.station = station;
            if (SteadyClock::now() >= notAfter) {
                // The machine stalled past this sample's whole period, or the stations before
                // this one took it: say so instead of leaving a gap.
                s.when = wallStart.addMSecs(k * o.everyMs);
                s.status = QStringLiteral("missed");
                printError(
                    o.stations.size() == 1
                        ? QStringLiteral("sample %1: missed, the program fell behind").arg(s.seq)
                        : QStringLiteral("sample %1: station %2 missed, the period was over")
                              .arg(s.seq)
                              .arg(station));
            } else {
                s.when = QDateTime::currentDateTime();
                const Frame request = measurementRequest(
                    static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(o.function),
                    static_cast<std::uint8_t>(o.start), static_cast<std::uint8_t>(o.count));
                const Exchange ex = link.exchange(request, expect, notAfter);
                s.status = statusText(ex.check);
                if (ex.check.ok()) {
                    const DecodedAnswer decoded = decodeMeasurement(o.count, ex.answer);
                    s.ok = decoded.decoded();
                    s.values = registerValues(decoded);
                    s.tenths = registerTenths(decoded);
                    s.valueLine = valueLine(decoded.readings);
                    summary.addAnswerTime(ex.lastDuration);
                } else if (ex.disconnected) {
                    // Said when the device goes and when it comes back, not at every sample.
                    s.status = QStringLiteral("disconnected");
                    if (!std::exchange(away, true))
                        printError(QStringLiteral("sample %1: %2 went away; opening it again at "
                                                  "every sample")
                                       .arg(s.seq)
                                       .arg(o.device));
                    if (exitCode == ExitOk)
                        exitCode = ExitFileError;
                } else {
                    printError(QStringLiteral("sample %1: %2 from station %3 after %4 attempt(s)")
                                   .arg(s.seq)
                                   .arg(statusDescription(ex.check))
                                   .arg(station)
                                   .arg(ex.attempts));
                    if (exitCode == ExitOk)
                        exitCode = exitCodeFor(ex.check);
                }
                if (away && !ex.disconnected) {
                    away = false;
                    printError(QStringLiteral("sample %1: %2 is back").arg(s.seq).arg(o.device));
                }
            }
            summary.add(s.status);
            if (mqtt && !mqtt->publish(s, o.count))
                return finish(ExitFileError);
            if (!output.put(s))
                return finish(ExitFileError);
        }
    }
    return finish(exitCode);
}

} // namespace tr::cli
