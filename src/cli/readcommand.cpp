#include "cli/readcommand.h"

#include "cli/answercheck.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/mqttsession.h"
#include "cli/outputfile.h"
#include "cli/sampleformat.h"
#include "cli/seriessummary.h"
#include "cli/stopsignals.h"
#include "domain/datafile.h"
#include "modbus/decode.h"

#include <QFileInfo>
#include <memory>

namespace tr::cli {

namespace {

class SampleOutput {
public:
    explicit SampleOutput(const CliOptions &o)
        : o_(o), stations_(o.stations.size() > 1), header_(csvHeader(o.start, o.count, stations_)) {
    }

    // Checks the log and gives a new or empty csv log its header; the exit status of a refusal.
    int begin() {
        if (!o_.logPath.isEmpty()) {
            if (const auto kind = notARegularFile(o_.logPath)) {
                printError(QStringLiteral("cannot append to %1: %2, not a regular file; it is left "
                                          "as it was")
                               .arg(o_.logPath, *kind));
                return ExitFileError;
            }
            // Rows under another header (other stations, other columns, another format) would
            // be read with the wrong meaning.
            if (const auto first = firstLine(); first && *first != header_ && isCsv()) {
                printError(
                    QStringLiteral("%1 begins with \"%2\", not with this run's header \"%3\"; "
                                   "nothing was appended (use another --log file)")
                        .arg(o_.logPath, QString::fromUtf8(first->left(200)), header_));
                return ExitUsage;
            }
            // An empty append still proves the file can be opened for appending.
            if (!append({}))
                return ExitFileError;
        }
        if (isCsv() && !printLine(header_))
            return ExitFileError;
        return ExitOk;
    }

    // False when the row could not be written whole, to standard output or to the log; the log
    // gets it even when standard output failed.
    bool put(const Sample &s) {
        QString row;
        QByteArray record;
        if (isCsv()) {
            row = csvRow(s, o_.count, stations_);
            record = row.toUtf8() + "\r\n";
        } else if (o_.format == OutputFormat::Jsonl) {
            record = jsonRow(s, o_.count);
            row = QString::fromUtf8(record);
            record += '\n';
        } else {
            row = textRow(s, stations_);
            // The window's data-file record; a failed sample records its status as the line.
            record = dataRecord(s.when, row);
        }
        const bool shown = printLine(row);
        return (o_.logPath.isEmpty() || append(record)) && shown;
    }

private:
    bool isCsv() const { return o_.format == OutputFormat::Csv; }

    // The log's first line without its line end; nothing for a new or empty log.
    std::optional<QByteArray> firstLine() const {
        QFile file(o_.logPath);
        if (file.size() == 0 || !file.open(QIODevice::ReadOnly))
            return std::nullopt;
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    bool append(const QByteArray &bytes) {
        // Looked at before every row: a log moved away by logrotate starts again, with its header.
        const QFileInfo info(o_.logPath);
        QByteArray record = bytes;
        if (isCsv() && (!info.exists() || info.size() == 0))
            record.prepend(header_.toUtf8() + "\r\n");
        else if (const auto kind = notARegularFile(o_.logPath)) {
            printError(QStringLiteral("cannot append to %1: it became %2").arg(o_.logPath, *kind));
            return false;
        }
        if (const auto why = appendRecord(o_.logPath, record)) {
            printError(QStringLiteral("cannot append to %1: %2").arg(o_.logPath, *why));
            return false;
        }
        return true;
    }

    const CliOptions &o_;
    const bool stations_;
    const QString header_;
};

} // namespace

int runRead(const CliOptions &o, Transactor &link) {
    int setupFailure = ExitOk;
    const std::unique_ptr<MqttSession> mqtt = MqttSession::start(o, setupFailure);
    if (setupFailure != ExitOk)
        return setupFailure;
    SampleOutput output(o);
    if (const int refused = output.begin()) {
        reportLostOutput();
        return refused;
    }

    const StopSignals stop;
    SeriesSummary summary;
    bool away = false;
    const bool series = o.everyMs > 0 || !o.samples || *o.samples > 1 || o.stations.size() > 1;
    int exitCode = ExitOk;
    const auto finish = [&](int code) {
        if (mqtt)
            code = mqtt->finish(summary, code, StopSignals::received() != 0);
        // A device that came back before the end cost rows, which say so, but the run did its
        // work; one still away at the end is a failure a service manager must see.
        if (away) {
            printError(QStringLiteral("%1 was still away at the end").arg(o.device));
            code = code == ExitOk ? ExitFileError : code;
        }
        if (series && o.progress != Progress::Silenced)
            printError(summary.text());
        return StopSignals::received() ? ExitSignal + StopSignals::received() : code;
    };
    link.setResume(true);

    // Sample k is due at start + k * period on the steady clock: a late sample delays nothing
    // after it, so the schedule never drifts. Its stations are read in turn within the period.
    const std::chrono::milliseconds period(o.everyMs);
    const auto start = SteadyClock::now();
    const QDateTime wallStart = QDateTime::currentDateTime();
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
            s.start = o.start;
            s.seq = seq0 + k;
            s.station = station;
            if (SteadyClock::now() >= notAfter) {
                // The machine stalled past this sample's whole period, or the stations before
                // this one took it: say so instead of leaving a gap.
                s.when = wallStart.addMSecs(k * o.everyMs);
                s.status = QStringLiteral("missed");
                summary.addMissed();
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
                const Exchange ex = link.exchange(request, notAfter);
                summary.addLate(ex.late);
                s.status = statusText(ex.check);
                if (ex.check.ok()) {
                    const DecodedAnswer decoded =
                        decodeMeasurement(o.count, ex.answer).value_or(DecodedAnswer{});
                    s.ok = true;
                    s.values = registerValues(decoded);
                    s.tenths = registerTenths(decoded);
                    s.valueLine = valueLine(decoded.readings);
                    summary.add(ex.check, ex.lastDuration);
                } else if (ex.disconnected) {
                    // Said when the device goes and when it comes back, not at every sample.
                    s.status = QStringLiteral("disconnected");
                    summary.addDisconnected();
                    if (!std::exchange(away, true))
                        printError(QStringLiteral("sample %1: %2 went away; opening it again at "
                                                  "every sample")
                                       .arg(s.seq)
                                       .arg(o.device));
                } else {
                    summary.add(ex.check);
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
            if (mqtt && !mqtt->publish(s, o.count))
                return finish(ExitFileError);
            if (!output.put(s)) {
                reportLostOutput();
                return finish(ExitFileError);
            }
        }
    }
    return finish(exitCode);
}

} // namespace tr::cli
