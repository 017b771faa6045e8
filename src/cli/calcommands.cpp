#include "cli/calcommands.h"

#include "cli/answercheck.h"
#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/outputfile.h"
#include "domain/exportfaultwords.h"
#include "domain/exportfile.h"
#include "domain/parameterrequest.h"
#include "modbus/decode.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <utility>

namespace tr::cli {

namespace {

// The fields of a 0x42 answer the judge found ok.
DecodedAnswer decodeCalibration(AnswerKind kind, const QByteArray &answer) {
    return decodeAnswer(kind, kCalibrationAnswerLength, answer).value_or(DecodedAnswer{});
}

constexpr int kChannels = 8;

struct Parameters {
    std::uint16_t slope = 0;
    std::uint16_t offset = 0;
};

QString parameterName(Parameter p) {
    return p == Parameter::Slope ? QStringLiteral("slope") : QStringLiteral("offset");
}

// What a failed exchange was doing, as the single commands word it.
QString stepName(const RestoreStep &step) {
    switch (step.kind) {
    case RestoreStep::Kind::WriteSlope:
        return QStringLiteral("writing the slope");
    case RestoreStep::Kind::WriteOffset:
        return QStringLiteral("writing the offset");
    case RestoreStep::Kind::ReadBack:
        break;
    }
    return QStringLiteral("reading slope and offset");
}

int failed(const Exchange &ex, int channel, const QString &what) {
    printError(QStringLiteral("channel %1: %2: %3 after %4 attempt(s)")
                   .arg(channel)
                   .arg(what, statusDescription(ex.check))
                   .arg(ex.attempts));
    return exitCodeFor(ex.check);
}

int readParameters(Transactor &link, int station, int channel, Parameters &out) {
    const Exchange ex = link.exchange(
        parameterReadFrame(static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(channel)));
    if (!ex.check.ok())
        return failed(ex, channel, QStringLiteral("reading slope and offset"));
    const DecodedAnswer d = decodeCalibration(AnswerKind::ParametersRead, ex.answer);
    if (!d.slope || !d.offset) {
        printError(QStringLiteral("channel %1: the answer carries no parameters").arg(channel));
        return ExitBadAnswer;
    }
    out = {*d.slope, *d.offset};
    return ExitOk;
}

int writeParameter(Transactor &link, int station, int channel, Parameter p, std::uint16_t value) {
    const Exchange ex = link.exchange(parameterWriteFrame(
        p, static_cast<std::uint8_t>(station), value, static_cast<std::uint8_t>(channel)));
    if (!ex.check.ok())
        return failed(ex, channel, QStringLiteral("writing the %1").arg(parameterName(p)));
    const AnswerKind kind =
        p == Parameter::Slope ? AnswerKind::SlopeWritten : AnswerKind::OffsetWritten;
    const DecodedAnswer d = decodeCalibration(kind, ex.answer);
    if (d.echoedValue != value) {
        printError(QStringLiteral("channel %1: the module echoed %2 %3 instead of %4")
                       .arg(channel)
                       .arg(parameterName(p))
                       .arg(d.echoedValue ? QString::number(*d.echoedValue) : QStringLiteral("?"))
                       .arg(value));
        return ExitBadAnswer;
    }
    return ExitOk;
}

// Bytes an editor does not show, which make a file look right and read wrong: where the first
// stands and what it is; line 0 when there is none.
std::pair<int, QString> hiddenBytes(const QString &path) {
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {1, QStringLiteral("a UTF-8 byte order mark before the first quote; save the file "
                                  "without it")};
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        return {int(bytes.left(nul).count('\n')) + 1,
                QStringLiteral("a NUL byte (the file is not plain text)")};
    return {0, QString()};
}

QString line(int channel, const Parameters &p) {
    return resultLine(QString::number(channel), QString::number(p.slope),
                      QString::number(p.offset));
}

} // namespace

int runCalRead(const CliOptions &o, Transactor &link) {
    Parameters p;
    if (const int code = readParameters(link, o.station, o.channel, p))
        return code;
    printLine(line(o.channel, p).chopped(2)); // without its CR LF
    return ExitOk;
}

int runCalWrite(const CliOptions &o, Transactor &link) {
    if (const int code = writeParameter(link, o.station, o.channel, o.parameter, o.value))
        return code;
    printLine(QStringLiteral("channel %1: %2 %3 written")
                  .arg(o.channel)
                  .arg(parameterName(o.parameter))
                  .arg(o.value));
    return ExitOk;
}

int runBackup(const CliOptions &o, Transactor &link) {
    const bool progress = progressWanted(o.progress);
    QString list;
    for (int channel = 1; channel <= kChannels; ++channel) {
        Parameters p;
        // A backup with a channel missing would restore as if it were whole; write none.
        if (const int code = readParameters(link, o.station, channel, p)) {
            printError(QStringLiteral("%1 was not written").arg(o.file));
            return code;
        }
        if (progress)
            printNote(QStringLiteral("backup: channel %1 of %2: slope %3, offset %4")
                          .arg(channel)
                          .arg(kChannels)
                          .arg(p.slope)
                          .arg(p.offset));
        list += line(channel, p);
    }
    // Checked again: the reads took a while, and the name may have been taken meanwhile.
    if (const auto kind = notARegularFile(o.file)) {
        printError(QStringLiteral("cannot write %1: %2, not a regular file; it is left as it was")
                       .arg(o.file, *kind));
        return ExitFileError;
    }
    const bool replacing = QFileInfo::exists(o.file);
    if (const auto why = writeExport(o.file, exportBytes(list))) {
        printError(QStringLiteral("cannot write %1: %2").arg(o.file, *why));
        return ExitFileError;
    }
    if (replacing)
        printError(QStringLiteral("%1 existed; it now holds this backup").arg(o.file));
    return ExitOk;
}

LoadedBackup loadBackup(const QString &path) {
    LoadedBackup loaded;
    const ParsedExport parsed = loadExport(path);
    if (parsed.fault == ExportFault::Unreadable) {
        printError(QStringLiteral("cannot read %1: %2").arg(path, exportFaultText(parsed)));
        loaded.exitCode = ExitFileError;
        return loaded;
    }
    if (!parsed.ok()) {
        const auto [line, why] = hiddenBytes(path);
        printError(QStringLiteral("%1:%2: %3; nothing was written")
                       .arg(path)
                       .arg(line ? line : parsed.errorLine)
                       .arg(line ? why : exportFaultText(parsed)));
        loaded.exitCode = ExitFileError;
        return loaded;
    }
    loaded.entries = parsed.entries;
    return loaded;
}

QString exportFaultText(const ParsedExport &p) {
    const QString found = QString::fromLatin1(p.found);
    switch (p.fault) {
    case ExportFault::Unreadable: // the system's reason, after "cannot read FILE: "
        return QString::fromUtf8(p.found);
    case ExportFault::NotAnEntry: { // the window's words, and what the line holds instead
        constexpr int kMax = 40;
        QString shown = found.left(kMax);
        if (found.size() > kMax)
            shown += QStringLiteral("...");
        return QStringLiteral("%1, found \"%2\"").arg(exportFaultReason(p), shown);
    }
    default:
        return exportFaultReason(p);
    }
}

int runRestore(const CliOptions &o, const std::vector<ExportEntry> &entries, Transactor &link) {
    const bool progress = progressWanted(o.progress);
    const int total = static_cast<int>(entries.size());
    int exitCode = ExitOk;
    int done = 0;
    QStringList written; // whole channels
    QString writtenPart; // what the channel under way holds already
    // The module now holds a mix of old and new values: say which, so the restore can be resumed.
    const auto stopped = [&](int code) {
        QStringList parts;
        if (!written.isEmpty())
            parts << QStringLiteral("channel %1").arg(written.join(", "));
        if (!writtenPart.isEmpty())
            parts << writtenPart;
        printError(parts.isEmpty() ? QStringLiteral("nothing was written")
                                   : QStringLiteral("already written: ") + parts.join(" and "));
        return code;
    };
    for (const RestoreStep &step : restorePlan(static_cast<std::uint8_t>(o.station), entries)) {
        const ExportEntry &e = step.entry;
        const Exchange ex = link.exchange(step.frame);
        if (!ex.check.ok())
            return stopped(failed(ex, e.channel, stepName(step)));
        const StepVerdict v = verifyAnswer(step, decodeCalibration(step.answerKind(), ex.answer));
        switch (v.fault) {
        case StepVerdict::Fault::None:
        case StepVerdict::Fault::ReadBackDiffers:
            break;
        case StepVerdict::Fault::WrongEcho:
            printError(QStringLiteral("channel %1: the module echoed %2 %3 instead of %4")
                           .arg(e.channel)
                           .arg(step.kind == RestoreStep::Kind::WriteSlope
                                    ? parameterName(Parameter::Slope)
                                    : parameterName(Parameter::Offset))
                           .arg(v.echoed ? QString::number(*v.echoed) : QStringLiteral("?"))
                           .arg(step.written()));
            return stopped(ExitBadAnswer);
        case StepVerdict::Fault::NoParameters:
            printError(
                QStringLiteral("channel %1: the answer carries no parameters").arg(e.channel));
            return stopped(ExitBadAnswer);
        }
        if (!step.endsChannel()) {
            writtenPart = QStringLiteral("%1 of channel %2")
                              .arg(step.kind == RestoreStep::Kind::WriteSlope
                                       ? QStringLiteral("the slope")
                                       : QStringLiteral("slope and offset"))
                              .arg(e.channel);
            continue;
        }
        written << QString::number(e.channel);
        writtenPart.clear();
        ++done;
        // A channel that reads back differently is reported, and the others are still restored.
        const bool same = v.ok();
        if (!same) {
            printError(QStringLiteral("channel %1: read back slope %2, offset %3 after writing "
                                      "slope %4, offset %5")
                           .arg(e.channel)
                           .arg(v.slope)
                           .arg(v.offset)
                           .arg(e.slope)
                           .arg(e.offset));
            exitCode = ExitBadAnswer;
        }
        if (progress)
            printNote(QStringLiteral("restore: channel %1 (%2 of %3): slope %4, offset %5, %6")
                          .arg(e.channel)
                          .arg(done)
                          .arg(total)
                          .arg(e.slope)
                          .arg(e.offset)
                          .arg(same ? QStringLiteral("read back ok")
                                    : QStringLiteral("READ BACK DIFFERS")));
    }
    return exitCode;
}

} // namespace tr::cli
