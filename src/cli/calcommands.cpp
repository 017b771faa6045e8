#include "cli/calcommands.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "domain/exportfile.h"
#include "domain/parameterrequest.h"
#include "modbus/decode.h"

#include <QFile>

namespace tr::cli {

namespace {

constexpr int kChannels = 8;

struct Parameters {
    std::uint16_t slope = 0;
    std::uint16_t offset = 0;
};

QString parameterName(Parameter p) {
    return p == Parameter::Slope ? QStringLiteral("slope") : QStringLiteral("offset");
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
        parameterReadFrame(static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(channel)),
        calibrationExpectation());
    if (!ex.check.ok())
        return failed(ex, channel, QStringLiteral("reading slope and offset"));
    const DecodedAnswer d =
        decodeAnswer(KindParametersRead, calibrationExpectation().length, ex.answer);
    if (!d.slope || !d.offset) {
        printError(QStringLiteral("channel %1: the answer carries no parameters").arg(channel));
        return ExitBadAnswer;
    }
    out = {*d.slope, *d.offset};
    return ExitOk;
}

int writeParameter(Transactor &link, int station, int channel, Parameter p, std::uint16_t value) {
    const Exchange ex =
        link.exchange(parameterWriteFrame(p, static_cast<std::uint8_t>(station), value,
                                          static_cast<std::uint8_t>(channel)),
                      calibrationExpectation());
    if (!ex.check.ok())
        return failed(ex, channel, QStringLiteral("writing the %1").arg(parameterName(p)));
    const int kind = p == Parameter::Slope ? KindSlopeWritten : KindOffsetWritten;
    const DecodedAnswer d = decodeAnswer(kind, calibrationExpectation().length, ex.answer);
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
    if (const auto why = writeExport(o.file, exportBytes(list))) {
        printError(QStringLiteral("cannot write %1: %2").arg(o.file, *why));
        return ExitFileError;
    }
    return ExitOk;
}

std::vector<Frame> restoreFrames(int station, const std::vector<ExportEntry> &entries) {
    const auto s = static_cast<std::uint8_t>(station);
    std::vector<Frame> frames;
    for (const ExportEntry &e : entries) {
        const auto ch = static_cast<std::uint8_t>(e.channel);
        frames.push_back(parameterWriteFrame(Parameter::Slope, s, e.slope, ch));
        frames.push_back(parameterWriteFrame(Parameter::Offset, s, e.offset, ch));
        frames.push_back(parameterReadFrame(s, ch));
    }
    return frames;
}

LoadedBackup loadBackup(const QString &path) {
    LoadedBackup loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        loaded.exitCode = ExitFileError;
        return loaded;
    }
    const ParsedExport parsed = parseExport(file.readAll());
    if (!parsed.ok()) {
        printError(QStringLiteral("%1:%2: %3; nothing was written")
                       .arg(path)
                       .arg(parsed.errorLine)
                       .arg(parsed.error));
        loaded.exitCode = ExitFileError;
        return loaded;
    }
    loaded.entries = parsed.entries;
    return loaded;
}

int runRestore(const CliOptions &o, const std::vector<ExportEntry> &entries, Transactor &link) {
    const bool progress = progressWanted(o.progress);
    const int total = static_cast<int>(entries.size());
    int exitCode = ExitOk;
    int done = 0;
    for (const ExportEntry &e : entries) {
        ++done;
        if (const int code = writeParameter(link, o.station, e.channel, Parameter::Slope, e.slope))
            return code;
        if (const int code =
                writeParameter(link, o.station, e.channel, Parameter::Offset, e.offset))
            return code;
        Parameters back;
        if (const int code = readParameters(link, o.station, e.channel, back))
            return code;
        const bool same = back.slope == e.slope && back.offset == e.offset;
        if (!same) {
            printError(QStringLiteral("channel %1: read back slope %2, offset %3 after writing "
                                      "slope %4, offset %5")
                           .arg(e.channel)
                           .arg(back.slope)
                           .arg(back.offset)
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
