#include "cli/commandline.h"

#include "cli/exitcodes.h"
#include "serial/mscomm.h"

#include <QMap>
#include <QRegularExpression>

namespace tr::cli {

namespace {

enum CommandBit : unsigned {
    BitRead = 1U << 0,
    BitCalRead = 1U << 1,
    BitCalWrite = 1U << 2,
    BitCalBackup = 1U << 3,
    BitCalRestore = 1U << 4,
    BitAll = 0x1FU,
};

unsigned bitOf(Command c) {
    switch (c) {
    case Command::Read:
        return BitRead;
    case Command::CalRead:
        return BitCalRead;
    case Command::CalWrite:
        return BitCalWrite;
    case Command::CalBackup:
        return BitCalBackup;
    case Command::CalRestore:
        return BitCalRestore;
    }
    return 0;
}

struct OptionRule {
    bool takesValue;
    unsigned commands; // where the option means something
    const char *where; // for the message when it is used elsewhere
};

const QMap<QString, OptionRule> &optionRules() {
    static const QMap<QString, OptionRule> rules{
        {QStringLiteral("--port"), {true, BitAll, ""}},
        {QStringLiteral("--baud"), {true, BitAll, ""}},
        {QStringLiteral("--station"), {true, BitAll, ""}},
        {QStringLiteral("--function"), {true, BitRead, "read"}},
        {QStringLiteral("--start"), {true, BitRead, "read"}},
        {QStringLiteral("--count"), {true, BitRead, "read"}},
        {QStringLiteral("--timeout-ms"), {true, BitAll, ""}},
        {QStringLiteral("--retries"), {true, BitAll, ""}},
        {QStringLiteral("--progress"), {false, BitAll, ""}},
        {QStringLiteral("--quiet"), {false, BitAll, ""}},
        {QStringLiteral("--trace"), {false, BitAll, ""}},
        {QStringLiteral("--every"), {true, BitRead, "read"}},
        {QStringLiteral("--samples"), {true, BitRead, "read"}},
        {QStringLiteral("--log"), {true, BitRead, "read"}},
        {QStringLiteral("--format"), {true, BitRead, "read"}},
        {QStringLiteral("--channel"), {true, BitCalRead | BitCalWrite, "cal read and cal write"}},
        {QStringLiteral("--slope"), {true, BitCalWrite, "cal write"}},
        {QStringLiteral("--offset"), {true, BitCalWrite, "cal write"}},
        {QStringLiteral("--dry-run"), {false, BitCalRestore, "cal restore"}},
    };
    return rules;
}

// Plain decimal digits, nothing else: scripts pass numbers, not the window's "&H" entries.
std::optional<long long> wholeNumber(const QString &text, long long lo, long long hi) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,15}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const long long v = text.toLongLong();
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

class Parser {
public:
    Parser(const QStringList &args, const SettingsDefaults &defaults, const ToolDirs &dirs)
        : args_(args), defaults_(defaults), dirs_(dirs) {}

    ParsedCommandLine run() {
        // Each step stops at the first fault it finds and leaves it in out_.
        (void)(split() && command() && applicable() && values());
        return out_;
    }

private:
    bool fail(int code, const QString &why) {
        out_.exitCode = code;
        out_.error = why;
        return false;
    }
    bool usage(const QString &why) { return fail(ExitUsage, why); }

    bool split() {
        for (qsizetype i = 0; i < args_.size(); ++i) {
            const QString &arg = args_[i];
            if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
                out_.help = true;
                return false;
            }
            if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
                positional_ << arg;
                continue;
            }
            QString name = arg;
            std::optional<QString> value;
            if (const qsizetype eq = arg.indexOf(QLatin1Char('='));
                arg.startsWith("--") && eq > 0) {
                name = arg.left(eq);
                value = arg.mid(eq + 1);
            }
            const auto rule = optionRules().constFind(name);
            if (rule == optionRules().constEnd())
                return usage(QStringLiteral("unknown option %1").arg(name));
            if (given_.contains(name))
                return usage(QStringLiteral("%1 is given twice").arg(name));
            if (!rule->takesValue) {
                if (value)
                    return usage(QStringLiteral("%1 takes no value").arg(name));
                given_.insert(name, QString());
                continue;
            }
            if (!value) {
                if (i + 1 >= args_.size())
                    return usage(QStringLiteral("%1 needs a value").arg(name));
                value = args_[++i];
            }
            given_.insert(name, *value);
        }
        return true;
    }

    bool command() {
        CliOptions &o = out_.options;
        const QStringList &p = positional_;
        if (p.isEmpty())
            return usage(QStringLiteral("no command given: read, cal read, cal write, cal backup "
                                        "or cal restore"));
        qsizetype used = 1;
        if (p[0] == QLatin1String("read")) {
            o.command = Command::Read;
        } else if (p[0] == QLatin1String("cal")) {
            const QString sub = p.value(1);
            used = 2;
            if (sub == QLatin1String("read")) {
                o.command = Command::CalRead;
            } else if (sub == QLatin1String("write")) {
                o.command = Command::CalWrite;
            } else if (sub == QLatin1String("backup") || sub == QLatin1String("restore")) {
                o.command =
                    sub == QLatin1String("backup") ? Command::CalBackup : Command::CalRestore;
                if (p.size() < 3)
                    return usage(QStringLiteral("cal %1 needs a file name").arg(sub));
                o.file = p[2];
                used = 3;
            } else if (sub.isEmpty()) {
                return usage(QStringLiteral("cal needs read, write, backup or restore"));
            } else {
                return usage(QStringLiteral("unknown command cal %1").arg(sub));
            }
        } else {
            return usage(QStringLiteral("unknown command %1").arg(p[0]));
        }
        if (p.size() > used)
            return usage(QStringLiteral("unexpected argument %1").arg(p[used]));
        return true;
    }

    bool applicable() {
        const unsigned bit = bitOf(out_.options.command);
        for (auto it = given_.cbegin(); it != given_.cend(); ++it) {
            const OptionRule &rule = optionRules()[it.key()];
            if ((rule.commands & bit) == 0)
                return usage(
                    QStringLiteral("%1 is only for %2").arg(it.key(), QLatin1String(rule.where)));
        }
        if (given_.contains("--progress") && given_.contains("--quiet"))
            return usage(QStringLiteral("--progress and --quiet exclude each other"));
        return true;
    }

    // Reads a number option into `field` when given; false after a usage error.
    bool number(const char *name, long long lo, long long hi, auto &field) {
        const QString key = QLatin1String(name);
        if (!given_.contains(key))
            return true;
        const QString text = given_.value(key);
        const auto v = wholeNumber(text, lo, hi);
        if (!v)
            return usage(QStringLiteral("%1 expects a whole number from %2 to %3, not \"%4\"")
                             .arg(key)
                             .arg(lo)
                             .arg(hi)
                             .arg(text));
        field = static_cast<std::remove_reference_t<decltype(field)>>(*v);
        return true;
    }

    bool values() {
        CliOptions &o = out_.options;
        const bool dryRun = given_.contains("--dry-run");
        o.dryRun = dryRun;
        o.trace = given_.contains("--trace");
        if (given_.contains("--progress"))
            o.progress = Progress::Forced;
        if (given_.contains("--quiet"))
            o.progress = Progress::Silenced;

        if (!number("--function", 1, 127, o.function) || !number("--start", 0, 255, o.start) ||
            !number("--timeout-ms", 1, 600000, o.timeoutMs) ||
            !number("--retries", 0, 100, o.retries) || !number("--every", 1, 86400000, o.everyMs))
            return false;

        if (given_.contains("--samples")) {
            long long n = 0;
            if (!number("--samples", 1, 1000000000000LL, n))
                return false;
            o.samples = n;
        } else if (o.everyMs == 0) {
            o.samples = 1;
        }

        if (given_.contains("--format")) {
            const QString f = given_.value("--format");
            if (f == QLatin1String("text"))
                o.format = OutputFormat::Text;
            else if (f == QLatin1String("csv"))
                o.format = OutputFormat::Csv;
            else
                return usage(QStringLiteral("--format expects text or csv, not \"%1\"").arg(f));
        }
        if (given_.contains("--log")) {
            o.logPath = given_.value("--log");
            if (o.logPath.isEmpty())
                return usage(QStringLiteral("--log needs a file name"));
        }

        if (o.command == Command::CalRead || o.command == Command::CalWrite) {
            if (!given_.contains("--channel"))
                return usage(QStringLiteral("cal %1 needs --channel 1..8")
                                 .arg(o.command == Command::CalRead ? "read" : "write"));
            if (!number("--channel", 1, 8, o.channel))
                return false;
        }
        if (o.command == Command::CalWrite && !calValue())
            return false;
        if ((o.command == Command::CalBackup || o.command == Command::CalRestore) &&
            o.file.isEmpty())
            return usage(QStringLiteral("the file name is empty"));

        if (!station())
            return false;
        if (o.command == Command::Read && !count())
            return false;
        // A dry run only prints frames; it needs no line.
        if (!(o.command == Command::CalRestore && dryRun) && (!baud() || !port()))
            return false;
        return true;
    }

    bool calValue() {
        CliOptions &o = out_.options;
        const bool slope = given_.contains("--slope");
        const bool offset = given_.contains("--offset");
        if (slope == offset)
            return usage(QStringLiteral("cal write needs either --slope V or --offset V"));
        const QString key = slope ? QStringLiteral("--slope") : QStringLiteral("--offset");
        const QString text = given_.value(key);
        // The window's calibration entries: halves round to the even neighbour.
        const auto v = valueEntry(text);
        if (!v)
            return usage(
                QStringLiteral("%1 expects a number from 0 to 65535, not \"%2\"").arg(key, text));
        o.parameter = slope ? Parameter::Slope : Parameter::Offset;
        o.value = *v;
        return true;
    }

    bool station() {
        CliOptions &o = out_.options;
        if (given_.contains("--station"))
            return number("--station", 1, 247, o.station);
        if (!defaults_.modError.isEmpty())
            return fail(ExitFileError, defaults_.modError);
        if (defaults_.station) {
            if (*defaults_.station < 1 || *defaults_.station > 247)
                return fail(ExitFileError,
                            QStringLiteral("ModSet.set: station %1 is not 1 to 247 (use --station)")
                                .arg(*defaults_.station));
            o.station = *defaults_.station;
        }
        return true;
    }

    bool count() {
        CliOptions &o = out_.options;
        if (given_.contains("--count"))
            return number("--count", 1, 21, o.count);
        if (!defaults_.modError.isEmpty())
            return fail(ExitFileError, defaults_.modError);
        if (defaults_.count) {
            if (*defaults_.count < 1 || *defaults_.count > 21)
                return fail(ExitFileError,
                            QStringLiteral("ModSet.set: register count %1 is not 1 to 21 (use "
                                           "--count)")
                                .arg(*defaults_.count));
            o.count = *defaults_.count;
        }
        return true;
    }

    bool baud() {
        CliOptions &o = out_.options;
        if (given_.contains("--baud"))
            return number("--baud", 50, 4000000, o.baud);
        if (!defaults_.commError.isEmpty())
            return fail(ExitFileError, defaults_.commError);
        if (defaults_.baud) {
            if (*defaults_.baud < 50)
                return fail(ExitFileError,
                            QStringLiteral("comm.set: baud rate %1 is not usable (use --baud)")
                                .arg(*defaults_.baud));
            o.baud = *defaults_.baud;
        }
        return true;
    }

    bool port() {
        CliOptions &o = out_.options;
        static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
        if (given_.contains("--port")) {
            const QString text = given_.value("--port");
            if (text.isEmpty())
                return usage(QStringLiteral("--port needs COMn or a device path"));
            const auto m = com.match(text);
            if (!m.hasMatch()) {
                o.device = text;
                return true;
            }
            const int n = m.captured(1).toInt();
            if (n < 1 || n > 255)
                return usage(QStringLiteral("--port %1: ports are COM1 to COM255").arg(text));
            o.device = deviceForPort(n, dirs_.ports());
            return true;
        }
        if (!defaults_.commError.isEmpty())
            return fail(ExitFileError, defaults_.commError);
        if (!defaults_.port)
            return usage(QStringLiteral("--port is required: there is no comm.set in %1")
                             .arg(dirs_.settings));
        if (*defaults_.port < 1 || *defaults_.port > 255)
            return fail(ExitFileError,
                        QStringLiteral("comm.set: port %1 is not COM1 to COM255 (use --port)")
                            .arg(*defaults_.port));
        o.device = deviceForPort(*defaults_.port, dirs_.ports());
        return true;
    }

    const QStringList &args_;
    const SettingsDefaults &defaults_;
    const ToolDirs &dirs_;
    QStringList positional_;
    QMap<QString, QString> given_;
    ParsedCommandLine out_;
};

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &args, const SettingsDefaults &defaults,
                                   const ToolDirs &dirs) {
    return Parser(args, defaults, dirs).run();
}

QString helpText() {
    return QStringLiteral(R"(Usage:
  tr6400-cli read [--every MS] [--samples N] [--log FILE] [--format text|csv]
  tr6400-cli cal read --channel N
  tr6400-cli cal write --channel N (--slope V | --offset V)
  tr6400-cli cal backup FILE
  tr6400-cli cal restore FILE [--dry-run]

Headless companion of the TR6400 tool: a Modbus RTU master for the
eight-channel PT100 module. Each request waits for its own answer; CRC,
station and length of the answer are checked.

Line and request (defaults from comm.set and ModSet.set beside this
program when present; a flag wins):
  --port COMn|PATH  serial port. COMn maps as in the window: ports/COMn
                    beside the program, else /dev/ttyS<n-1>. Anything else
                    is a device path. Required when there is no comm.set.
  --baud B          baud rate, 8N1 (comm.set, else 19200)
  --station N       station address 1-247 (ModSet.set field 2, else 2)
  --function F      read: function code (default 4; the module reads 3, 4)
  --start R         read: first register 0-255 (default 0)
  --count N         read: registers 1-21 (ModSet.set field 3, else 8)
  --timeout-ms T    wait per attempt for the whole answer (default 500)
  --retries K       attempts after a timeout or CRC error (default 2)
  --progress        progress lines on stderr even when it is no terminal
  --quiet           no progress lines
  --trace           each frame sent and received on stderr, with timing

read: prints the window's value line ("1#:23.50 2#:-10.00 ...").
  --every MS        one sample every MS ms on a fixed schedule; runs
                    until interrupted unless --samples is given
  --samples N       number of samples (default 1, unlimited with --every)
  --format csv      one row per sample: time,seq,chN...,status; an open
                    sensor is an empty cell. Status: ok, timeout, crc,
                    station, function, length, exception N, or missed
                    (the program fell a whole period behind)
  --log FILE        append each sample to FILE. text: the window's data
                    file record; csv: the rows, with the header only when
                    FILE is new or empty

cal (function 0x42):
  read --channel N     prints "N::slope--offset"
  write --channel N --slope V | --offset V
                       writes one parameter (0-65535), checks the echo
  backup FILE          reads channels 1-8 into FILE (the window's export)
  restore FILE         writes slope and offset of each channel in FILE,
                       reads them back and reports any difference; a
                       malformed file is refused before anything is sent
  restore FILE --dry-run
                       prints the frames instead of sending them

Exit status: 0 ok, 1 usage, 2 no answer, 3 bad answer (CRC, length,
station, or a read-back that differs), 4 Modbus exception, 5 file error
(settings, log or backup file, serial device).

Examples:
  tr6400-cli read --port /dev/ttyUSB0
  tr6400-cli read --port COM4 --every 1000 --format csv --log temps.csv
  tr6400-cli read --function 3 --count 2 --station 5 --retries 0
  tr6400-cli cal read --channel 3
  tr6400-cli cal write --channel 3 --offset 12
  tr6400-cli cal backup module7.txt
  tr6400-cli cal restore module7.txt --dry-run
)");
}

} // namespace tr::cli
