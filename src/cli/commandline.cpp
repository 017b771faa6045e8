#include "cli/commandline.h"

#include "cli/exitcodes.h"
#include "domain/opnumber.h"
#include "modbus/scanplan.h"
#include "serial/mscomm.h"

#include <QMap>
#include <QRegularExpression>
#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <tuple>
#include <utility>

namespace tr::cli {

namespace {

using enum Command;

constexpr unsigned bit(Command c) {
    return 1U << static_cast<unsigned>(c);
}
constexpr unsigned kEvery = ~0U;

// In the order of `Command`. A command is its words, then its operands.
struct CommandSpec {
    const char *words;
    const char *operands; // blank-separated names, "" for none
    const char *needs;    // what a missing operand is, for the message
    const char *synopsis; // the options it cannot go without
    const char *help;
};

const CommandSpec kCommands[] = {
    {"read", "", "", "",
     "prints the window's value line (\"1#:23.50 2#:-10.00 ...\"). With --every or more than one "
     "sample it ends with a summary line on stderr: samples, ok, timeout, crc, exception, bad "
     "(station, function, length), disconnected, missed, late (answers that came after their "
     "request timed out, thrown away), and answer time min/median/max of the ok samples. "
     "A device that goes away (adapter pulled) is reopened, once per sample, until it is back; "
     "its samples meanwhile are rows with the status disconnected"},
    {"cal read", "", "", "--channel N", "prints \"N::slope--offset\" of the channel"},
    {"cal write", "", "", "--channel N (--slope V | --offset V)",
     "writes one parameter of the channel, checks the echo"},
    {"cal backup", "FILE", "a file name", "", "reads channels 1-8 into FILE (the window's export)"},
    {"cal restore", "FILE", "a file name", "",
     "writes slope and offset of each channel in FILE, reads them back and reports any "
     "difference; a malformed file is refused before anything is sent"},
    {"ports", "", "", "",
     "lists the serial devices of this machine (with their stable /dev/serial/by-id name, "
     "description, manufacturer, serial number, USB vendor:product) and which COMn of ports/ "
     "beside this program points where"},
    {"ports link", "COMn DEVICE", "a port name COM1-COM255 and a device", "",
     "makes ports/COMn a link to DEVICE, to its /dev/serial/by-id name when it has one; "
     "replaces an earlier link; refuses anything but a character device"},
    {"ports unlink", "COMn", "a port name COM1-COM255", "", "removes the link ports/COMn"},
    {"scan", "", "", "",
     "finds modules: probes each station of --station (default 1-247) with a measurement read "
     "at --baud, or at 9600, 19200, 38400, 57600 and 115200 with --baud auto; one line per "
     "module found (station, baud, the readings); Ctrl+C stops with what was found. Probes wait "
     "--timeout-ms (default here 100) without retries (unless --retries); exit 2 when none "
     "answered"},
};

// Every option of the program: the parser, its messages and --help all read this table.
struct OptionSpec {
    const char *name;
    const char *value; // its name in the help; nullptr for a flag
    unsigned commands; // where the option means something
    const char *help;
    const char *fallback = nullptr; // the default, as the help shows it
};

// The help lists the options in this order, under a heading wherever `commands` changes.
const OptionSpec kOptions[] = {
    {"--port", "COMn|PATH", kEvery,
     "serial port. COMn maps as in the window: ports/COMn in the settings folder, "
     "else /dev/ttyS<n-1>; anything else is a device path",
     "the port of comm.set; required without it"},
    {"--baud", "B", kEvery, "baud rate, 8N1; scan also takes auto", "comm.set, else 19200"},
    {"--station", "N", kEvery,
     "address 1-247. read and scan take a list, e.g. 1,2,5 or 1-10: read asks each in turn "
     "(one request at a time, the bus is shared) and writes one row per station and sample. "
     "One station (8 registers) takes about 35 ms at 9600 baud, 20 ms at 19200, 13 ms at "
     "38400, 10 ms at 57600 and 8 ms at 115200 (request, answer and the module's turnaround); "
     "a list that does not fit into --every is refused",
     "ModSet.set field 2, else 2; scan: 1-247"},
    {"--timeout-ms", "T", kEvery, "wait per attempt for the whole answer", "500"},
    {"--retries", "K", kEvery, "attempts after a timeout or CRC error", "2"},
    {"--progress", nullptr, kEvery, "progress lines on stderr even when it is no terminal"},
    {"--quiet", nullptr, kEvery, "no progress lines, no summary line"},
    {"--trace", nullptr, kEvery, "each frame sent and received on stderr, with timing"},
    {"--help", nullptr, kEvery, "show this text and exit (also -h)"},
    {"--version", nullptr, kEvery, "show the version and exit"},
    {"--function", "F", bit(Read),
     "function code, 3 or 4 (the module answers both with its registers); nothing else is sent",
     "4"},
    {"--start", "R", bit(Read), "first register 0-255", "0"},
    {"--count", "N", bit(Read), "registers 1-21", "ModSet.set field 3, else 8"},
    {"--every", "MS", bit(Read),
     "one sample every MS ms on a fixed schedule; runs until interrupted unless --samples is "
     "given. A period too short for the stations (see --station) is refused with the shortest "
     "that fits"},
    {"--samples", "N", bit(Read), "number of samples", "1, unlimited with --every"},
    {"--format", "text|csv|jsonl", bit(Read),
     "text: the value line; csv: one row per sample: time,seq,chN...,status, an open sensor "
     "an empty cell; jsonl: one JSON object per row, "
     "{\"time\": ..., \"seq\": N, \"station\": N, \"start\": S, \"status\": \"ok\", "
     "\"ch\": [23.5, null, ...]}, ch[i] being register S+i (--start), null for an open sensor or "
     "no value. With several stations csv has a station column after "
     "seq and text rows start with \"station N: \". Status: ok, timeout, crc, station, function, "
     "length, exception N, disconnected (the device is away), or missed (the program fell a "
     "whole period behind, or the stations did not fit into the period)",
     "text"},
    {"--log", "FILE", bit(Read),
     "append each sample to FILE, a regular file (a device, FIFO or directory is refused). "
     "text: the window's data file record; csv: the rows, with the header when FILE is new or "
     "empty (also when it was rotated away during the run); a csv FILE that begins with "
     "another header is refused (exit 1); jsonl: the JSON lines"},
    {"--mqtt", "HOST[:PORT]", bit(Read),
     "publish each row as its JSON object to the MQTT broker, QoS 1, to TOPIC/<station>. Each "
     "row goes into the spool (see --spool) before it is printed and leaves it when the broker "
     "has acknowledged it; rows follow in order once the broker is back, also after a restart "
     "of the program, and seq goes on from the last run. A broker that refuses the credentials "
     "ends the program with exit 6. An IPv6 address stands in brackets: [::1]:1883",
     "port 1883, 8883 with --mqtt-cafile"},
    {"--topic", "T", bit(Read), "the topic rows go under (needed with --mqtt)"},
    {"--mqtt-user", "U", bit(Read), "user name at the broker"},
    {"--mqtt-password-file", "FILE", bit(Read),
     "the password: the first line of FILE (needs --mqtt-user)"},
    {"--mqtt-cafile", "FILE", bit(Read), "TLS to the broker, trusting the CA certificates in FILE"},
    {"--mqtt-client-id", "ID", bit(Read), "client id at the broker", "tr6400-cli-<host>-<pid>"},
    {"--mqtt-queue", "N", bit(Read),
     "with --spool none: rows kept in memory while the broker is away; beyond that the oldest "
     "are dropped and counted",
     "100000"},
    {"--spool", "DIR|none", bit(Read),
     "the folder where rows wait for the broker (SQLite, one logger at a time: a second one "
     "exits with 5). none: in memory, lost when the program ends, and rows still undelivered at "
     "the end are exit 6",
     "<data folder>/spool"},
    {"--spool-max-mb", "N", bit(Read),
     "the size of the spool; beyond it the oldest rows are dropped and counted", "1024"},
    {"--spool-sync", "MS", bit(Read),
     "0: every row is on disk (fsync) before it is printed or logged; MS: rows are written "
     "through at most every MS ms, and a power cut loses at most the rows of the last MS ms "
     "(or of the last sample, when samples are further apart); a killed program loses none "
     "either way",
     "0"},
    {"--channel", "N", bit(CalRead) | bit(CalWrite), "channel 1-8"},
    {"--slope", "V", bit(CalWrite),
     "write the slope: the raw 16-bit value the module keeps, 0-65535, no unit (cal read "
     "shows the present one); a half rounds to the even neighbour"},
    {"--offset", "V", bit(CalWrite),
     "write the offset: the raw 16-bit value the module keeps, 0-65535, no unit"},
    {"--dry-run", nullptr, bit(CalRestore), "print the frames instead of sending them"},
};

const OptionSpec *findOption(const QString &name) {
    const auto it = std::ranges::find_if(
        kOptions, [&](const OptionSpec &o) { return name == QLatin1String(o.name); });
    return it == std::end(kOptions) ? nullptr : it;
}

// "a, b or c"
QString listed(QStringList items, const char *last) {
    const QString tail = items.takeLast();
    return items.isEmpty() ? tail : items.join(", ") + last + tail;
}

// The commands an option is for, as its messages and the help name them.
QString commandsOf(unsigned commands, const char *last = " and ") {
    QStringList names;
    for (unsigned c = 0; c < std::size(kCommands); ++c)
        if (commands & bit(Command(c)))
            names << kCommands[c].words;
    return listed(names, last);
}

// `lead`, then the words of `text` in lines of up to 79 columns from column `indent`.
QString wrapped(QString lead, const QString &text, qsizetype indent) {
    QString out;
    for (const QString &word : text.split(' ', Qt::SkipEmptyParts)) {
        if (lead.size() >= indent && lead.size() + 1 + word.size() > 79)
            out += std::exchange(lead, QString()) + '\n';
        lead = (lead.size() < indent ? lead.leftJustified(indent - 1) : lead) + ' ' + word;
    }
    return out + lead + '\n';
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
            if (arg == "--") {
                positional_ << args_.mid(i + 1);
                return true;
            }
            if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
                positional_ << arg;
                continue;
            }
            QString name = arg == "-h" ? QStringLiteral("--help") : arg;
            std::optional<QString> value;
            if (const qsizetype eq = arg.indexOf(QLatin1Char('='));
                arg.startsWith("--") && eq > 0) {
                name = arg.left(eq);
                value = arg.mid(eq + 1);
            }
            const OptionSpec *rule = findOption(name);
            if (!rule)
                return usage(QStringLiteral("unknown option %1").arg(name));
            if (name == "--help" || name == "--version") {
                (name == "--help" ? out_.help : out_.version) = true;
                return false;
            }
            if (given_.contains(name))
                return usage(QStringLiteral("%1 is given twice").arg(name));
            if (!rule->value && value)
                return usage(QStringLiteral("%1 takes no value").arg(name));
            // "--log --quiet" is a forgotten value, not a file named --quiet; "--log=--odd" is one.
            if (rule->value && !value && (i + 1 >= args_.size() || args_[i + 1].startsWith("--")))
                return usage(QStringLiteral("%1 needs a value").arg(name));
            given_.insert(name, !rule->value ? QString() : value ? *value : args_[++i]);
        }
        return true;
    }

    // The longest run of command words wins, so "ports" and "ports link" may both be commands.
    bool command() {
        const QStringList &p = positional_;
        QStringList group; // the second words of the commands that start with p[0]
        qsizetype found = -1, used = 0;
        for (qsizetype c = 0; c < qsizetype(std::size(kCommands)); ++c) {
            const QStringList words = QString(kCommands[c].words).split(' ');
            if (words.size() > 1 && words[0] == p.value(0))
                group << words[1];
            if (p.mid(0, words.size()) == words && words.size() > used)
                std::tie(found, used) = std::pair(c, words.size());
        }
        if (found < 0 && p.isEmpty())
            return usage(QStringLiteral("no command given: %1").arg(commandsOf(kEvery, " or ")));
        if (found < 0 && p.size() == 1 && !group.isEmpty())
            return usage(QStringLiteral("%1 needs %2").arg(p[0], listed(group, " or ")));
        if (found < 0)
            return usage(QStringLiteral("unknown command %1")
                             .arg(p.mid(0, group.isEmpty() ? 1 : 2).join(' ')));
        const CommandSpec &entry = kCommands[found];
        out_.options.command = Command(found);
        const qsizetype operands = QString(entry.operands).split(' ', Qt::SkipEmptyParts).size();
        if (p.size() < used + operands)
            return usage(QStringLiteral("%1 needs %2").arg(entry.words, entry.needs));
        out_.options.file = p.value(used);
        operands_ = p.mid(used, operands);
        used += operands;
        if (p.size() > used)
            return usage(QStringLiteral("unexpected argument %1").arg(p[used]));
        return true;
    }

    bool applicable() {
        const unsigned here = bit(out_.options.command);
        for (auto it = given_.cbegin(); it != given_.cend(); ++it) {
            const unsigned commands = findOption(it.key())->commands;
            if ((commands & here) == 0)
                return usage(
                    QStringLiteral("%1 is only for %2").arg(it.key(), commandsOf(commands)));
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
                             .arg(key, QString::number(lo), QString::number(hi), text));
        field = static_cast<std::remove_reference_t<decltype(field)>>(*v);
        return true;
    }

    bool values() {
        CliOptions &o = out_.options;
        o.portsDir = dirs_.ports();
        if (o.command == Ports || o.command == PortsLink || o.command == PortsUnlink)
            return portOperands();
        o.dryRun = given_.contains("--dry-run");
        o.trace = given_.contains("--trace");
        if (given_.contains("--progress"))
            o.progress = Progress::Forced;
        if (given_.contains("--quiet"))
            o.progress = Progress::Silenced;

        // Any other function code would be a request the module does not read with: 6 writes a
        // register, 8 runs diagnostics, on a bus other devices share.
        if (given_.contains("--function") && given_.value("--function") != QLatin1String("3") &&
            given_.value("--function") != QLatin1String("4"))
            return usage(QStringLiteral("--function expects 3 or 4 (read holding or input "
                                        "registers), not \"%1\"")
                             .arg(given_.value("--function")));
        if (!number("--function", 3, 4, o.function) || !number("--start", 0, 255, o.start) ||
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
            else if (f == QLatin1String("jsonl"))
                o.format = OutputFormat::Jsonl;
            else
                return usage(
                    QStringLiteral("--format expects jsonl, text or csv, not \"%1\"").arg(f));
        }
        if (given_.contains("--log")) {
            o.logPath = given_.value("--log");
            if (o.logPath.isEmpty())
                return usage(QStringLiteral("--log needs a file name"));
        }

        if (o.command == CalRead || o.command == CalWrite) {
            if (!given_.contains("--channel"))
                return usage(
                    QStringLiteral("%1 needs --channel 1..8").arg(kCommands[int(o.command)].words));
            if (!number("--channel", 1, 8, o.channel))
                return false;
        }
        if (o.command == CalWrite && !calValue())
            return false;
        if ((o.command == CalBackup || o.command == CalRestore) && o.file.isEmpty())
            return usage(QStringLiteral("the file name is empty"));

        if (o.command == Scan) {
            // Probes are short and not repeated unless asked.
            if (!given_.contains("--timeout-ms"))
                o.timeoutMs = 100;
            if (!given_.contains("--retries"))
                o.retries = 0;
            if (!given_.contains("--station"))
                o.stations = allStations();
        }
        if ((o.command == Read || o.command == Scan) && given_.contains("--station")) {
            if (!stationList())
                return false;
        } else if (!flagOrFile("--station", 1, 247, 247, o.station, defaults_.station,
                               defaults_.modError,
                               "ModSet.set: station %1 is not 1 to 247 (use --station)")) {
            return false;
        }
        if (o.stations.isEmpty())
            o.stations << o.station;
        o.station = o.stations.front();
        if (o.command == Read && !mqtt())
            return false;
        if (o.command == Scan && given_.value("--baud") == QLatin1String("auto")) {
            o.bauds = {9600, 19200, 38400, 57600, 115200};
            given_.remove("--baud");
        }
        if (o.command == Read &&
            !flagOrFile("--count", 1, 21, 21, o.count, defaults_.count, defaults_.modError,
                        "ModSet.set: register count %1 is not 1 to 21 (use --count)"))
            return false;
        // A dry run only prints frames; it needs no line.
        if (o.command == CalRestore && o.dryRun)
            return true;
        if (!flagOrFile("--baud", 50, 4000000, INT_MAX, o.baud, defaults_.baud, defaults_.commError,
                        "comm.set: baud rate %1 is not usable (use --baud)") ||
            !port())
            return false;
        if (o.bauds.isEmpty())
            o.bauds << o.baud;
        o.baud = o.bauds.front();
        // A broken settings file the flags make unnecessary is worth a word, not a stop.
        if (!defaults_.commError.isEmpty())
            out_.warnings << QStringLiteral("warning: %1; not used, --port and --baud are given")
                                 .arg(defaults_.commError);
        if (!defaults_.modError.isEmpty())
            out_.warnings << QStringLiteral("warning: %1; not used, the flags are given")
                                 .arg(defaults_.modError);
        return o.command != Read || fitsThePeriod();
    }

    // Every station of a sample must fit into --every, or each sample ends in missed rows.
    bool fitsThePeriod() {
        const CliOptions &o = out_.options;
        if (o.everyMs == 0)
            return true;
        // Request (8 bytes) and answer (2N + 5) at 10 bits a byte, plus about 5 ms of the
        // module's turnaround: 20.1 ms for 8 registers at 19200 baud.
        const double station = (8.0 + 2 * o.count + 5) * 10 * 1000 / o.baud + 5;
        const auto shortest = static_cast<long long>(std::ceil(station * o.stations.size()));
        if (shortest <= o.everyMs)
            return true;
        return usage(QStringLiteral("%1 station(s) do not fit into %2 ms at %3 baud; the shortest "
                                    "period that fits is --every %4")
                         .arg(o.stations.size())
                         .arg(o.everyMs)
                         .arg(o.baud)
                         .arg(shortest));
    }

    // "1,2,5", "1-10" or both: each station once, in the order given.
    bool stationList() {
        CliOptions &o = out_.options;
        const QString text = given_.value("--station");
        static const QRegularExpression item(QStringLiteral("^([0-9]{1,3})(?:-([0-9]{1,3}))?$"));
        for (const QString &part : text.split(QLatin1Char(','))) {
            const auto m = item.match(part);
            const int from = m.captured(1).toInt(),
                      to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
            if (!m.hasMatch() || from < 1 || to > 247 || from > to)
                return usage(QStringLiteral("--station expects stations 1 to 247 such as 2, "
                                            "1,2,5 or 1-10, not \"%1\"")
                                 .arg(text));
            for (int s = from; s <= to; ++s) {
                if (o.stations.contains(s))
                    return usage(QStringLiteral("--station names station %1 twice").arg(s));
                o.stations << s;
            }
        }
        return true;
    }

    bool mqtt() {
        CliOptions &o = out_.options;
        const bool any = given_.contains("--topic") || given_.contains("--mqtt-user") ||
                         given_.contains("--mqtt-password-file") ||
                         given_.contains("--mqtt-cafile") || given_.contains("--mqtt-client-id") ||
                         given_.contains("--mqtt-queue") || given_.contains("--spool") ||
                         given_.contains("--spool-max-mb") || given_.contains("--spool-sync");
        if (!given_.contains("--mqtt"))
            return !any || usage(QStringLiteral(
                               "the --mqtt-... and --spool... options and --topic need --mqtt"));
        // An IPv6 address stands in brackets when a port follows: [::1]:1883.
        static const QRegularExpression hostPort(
            QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([^:\\[\\]]+))(?::([0-9]{1,5}))?$"));
        const auto m = hostPort.match(given_.value("--mqtt"));
        o.mqttPort = m.captured(3).toInt();
        if (!m.hasMatch() || o.mqttPort > 65535 || (!m.captured(3).isEmpty() && o.mqttPort < 1))
            return usage(QStringLiteral("--mqtt expects HOST, HOST:PORT or [IPv6]:PORT, not \"%1\"")
                             .arg(given_.value("--mqtt")));
        o.mqttHost = m.captured(1) + m.captured(2);
        o.topic = given_.value("--topic");
        if (o.topic.isEmpty() || o.topic.contains(QLatin1Char('#')) ||
            o.topic.contains(QLatin1Char('+')))
            return usage(QStringLiteral("--mqtt needs --topic T, without the wildcards + and #"));
        o.mqttUser = given_.value("--mqtt-user");
        o.mqttPasswordFile = given_.value("--mqtt-password-file");
        if (!o.mqttPasswordFile.isEmpty() && o.mqttUser.isEmpty())
            return usage(QStringLiteral("--mqtt-password-file needs --mqtt-user: a broker takes a "
                                        "password only with a user name"));
        o.mqttCaFile = given_.value("--mqtt-cafile");
        o.mqttClientId = given_.value("--mqtt-client-id");
        o.spoolDir = given_.contains("--spool") ? given_.value("--spool")
                                                : dirs_.data + QStringLiteral("/spool");
        if (o.spoolDir.isEmpty())
            return usage(QStringLiteral("--spool expects a folder or none"));
        if (o.spoolDir == QLatin1String("none"))
            o.spoolDir.clear();
        return number("--mqtt-queue", 1, 100000000, o.mqttQueue) &&
               number("--spool-max-mb", 1, 1048576, o.spoolMaxMb) &&
               number("--spool-sync", 0, 3600000, o.spoolSyncMs);
    }

    bool calValue() {
        CliOptions &o = out_.options;
        const bool slope = given_.contains("--slope");
        const bool offset = given_.contains("--offset");
        if (slope == offset)
            return usage(QStringLiteral("cal write needs either --slope V or --offset V"));
        const QString key = slope ? QStringLiteral("--slope") : QStringLiteral("--offset");
        const QString text = given_.value(key);
        // The window's calibration entries: halves round to the even neighbour, but only once the
        // number is known to be in range (-0.4 is refused, not written as 0).
        const auto number = parseOperatorNumber(text);
        const auto v = number && *number >= 0 && *number <= 65535 ? valueEntry(text) : std::nullopt;
        if (!v)
            return usage(
                QStringLiteral("%1 expects a number from 0 to 65535, not \"%2\"").arg(key, text));
        o.parameter = slope ? Parameter::Slope : Parameter::Offset;
        o.value = *v;
        return true;
    }

    // The flag, else the settings file's value: one the file holds outside lo..fileHi is refused.
    bool flagOrFile(const char *name, long long lo, long long hi, long long fileHi, int &field,
                    std::optional<int> fromFile, const QString &fileError, const char *refusal) {
        if (given_.contains(QLatin1String(name)))
            return number(name, lo, hi, field);
        if (!fileError.isEmpty())
            return fail(ExitFileError, fileError);
        if (fromFile && (*fromFile < lo || *fromFile > fileHi))
            return fail(ExitFileError, QString(QLatin1String(refusal)).arg(*fromFile));
        field = fromFile.value_or(field);
        return true;
    }

    // ports link / unlink need no line and no settings file, only their operands.
    bool portOperands() {
        CliOptions &o = out_.options;
        if (operands_.isEmpty())
            return true;
        const auto m = comName().match(operands_[0]);
        o.comPort = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (o.comPort < 1 || o.comPort > 255)
            return usage(QStringLiteral("%1 is no port name COM1 to COM255").arg(operands_[0]));
        o.linkTo = operands_.value(1);
        if (o.command == PortsLink && o.linkTo.isEmpty())
            return usage(QStringLiteral("the device name is empty"));
        return true;
    }

    static const QRegularExpression &comName() {
        static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,3})$"),
                                            QRegularExpression::CaseInsensitiveOption);
        return com;
    }

    bool port() {
        CliOptions &o = out_.options;
        if (given_.contains("--port")) {
            const QString text = given_.value("--port");
            if (text.isEmpty())
                return usage(QStringLiteral("--port needs COMn or a device path"));
            const auto m = comName().match(text);
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
    QStringList operands_;
    QMap<QString, QString> given_;
    ParsedCommandLine out_;
};

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &args, const SettingsDefaults &defaults,
                                   const ToolDirs &dirs) {
    return Parser(args, defaults, dirs).run();
}

QString helpText() {
    QString out; // the usage lines as help2man reads them
    for (const CommandSpec &c : kCommands)
        out += QStringLiteral("%1 tr6400-cli %2 [OPTION]...\n")
                   .arg(out.isEmpty() ? "Usage:" : "  or: ",
                        QStringList{c.words, c.operands, c.synopsis}.join(' ').simplified());
    out += QStringLiteral(R"(
Headless companion of the TR6400 tool: a Modbus RTU master for the
eight-channel PT100 module. Each request waits for its own answer; CRC,
station and length of the answer are checked. cal uses function 0x42.
Options may stand before or after the command words; "--name value" and
"--name=value" both work, and "--" ends the options. Defaults come from
comm.set and ModSet.set when present; a flag wins. They are read beside
this program when its folder is writable and holds comm.set (a build tree,
a portable copy), else from ~/.config/tr6400/ (an installed program).

Commands:
)");
    for (const CommandSpec &c : kCommands)
        out += wrapped(QStringLiteral("  %1 %2").arg(c.words, c.operands), c.help, 22);
    unsigned group = 0;
    for (const OptionSpec &o : kOptions) {
        if (std::exchange(group, o.commands) != o.commands)
            out += QStringLiteral("\nOptions of %1:\n")
                       .arg(o.commands == kEvery ? QStringLiteral("every command")
                                                 : commandsOf(o.commands));
        const QString lead = QStringLiteral("  %1 %2").arg(o.name, o.value ? o.value : "");
        const QString fallback = o.fallback ? QStringLiteral(" (default: %1)").arg(o.fallback) : "";
        out += wrapped(lead, o.help + fallback, 22);
    }
    return out + QStringLiteral(R"(
Exit status:
  0    ok; also a read whose device went away and came back before the end
  1    usage: a bad option or value, a csv --log that begins with another
       header, stations that do not fit into --every
  2    no answer (after the retries); scan: no module answered
  3    bad answer: CRC, length (also truncated), station, function code, or
       a restore read-back that differs
  4    Modbus exception answer
  5    file error: settings file, log or backup file (also one that is no
       regular file), standard output that could not be written (full disk,
       closed pipe), the serial device cannot be opened or was still away at
       the end, ports link or unlink refused, the MQTT spool cannot be used
       or another logger holds it
  6    MQTT: the broker refused the connection, the CA file cannot be used,
       or (with --spool none) rows were still undelivered at the end
  130  read or scan stopped by SIGINT (Ctrl+C); 143 by SIGTERM, 129 by
       SIGHUP: 128 + the signal's number, after the row or probe under way
       and the summary line; a second signal stops at once, with 128 + its
       number

Examples:
  tr6400-cli read --port /dev/ttyUSB0
  tr6400-cli read --port COM4 --every 1000 --format csv --log temps.csv
  tr6400-cli read --function 3 --count 2 --station 5 --retries 0
  tr6400-cli read --station 1-10 --every 1000 --mqtt localhost --topic line1
  tr6400-cli scan --baud auto
  tr6400-cli cal read --channel 3
  tr6400-cli cal write --channel 3 --offset 12
  tr6400-cli cal backup module7.txt
  tr6400-cli cal restore module7.txt --dry-run
  tr6400-cli cal backup -- --odd-name.txt
)");
}

QStringList optionNames() {
    QStringList names;
    for (const OptionSpec &o : kOptions)
        names << o.name;
    return names;
}

} // namespace tr::cli
