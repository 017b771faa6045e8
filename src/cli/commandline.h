#pragma once

#include "cli/settingsdefaults.h"
#include "domain/parameterrequest.h"
#include "domain/tooldirs.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace tr::cli {

enum class Command {
    Read,
    CalRead,
    CalWrite,
    CalBackup,
    CalRestore,
    Ports,
    PortsLink,
    PortsUnlink,
    Scan
};
enum class OutputFormat { Text, Csv, Jsonl };
enum class Progress { Auto, Forced, Silenced };

struct CliOptions {
    Command command = Command::Read;

    // The line: device is empty only where no port is needed (a dry run).
    QString device;
    int baud = 19200;
    int station = 2;
    int function = 4;
    int start = 0;
    int count = 8;
    int timeoutMs = 500;
    int retries = 2;
    Progress progress = Progress::Auto;
    bool trace = false;

    QList<int> stations; // read and scan: every station in turn; `station` is the first
    QList<int> bauds;    // scan: the rates to try (--baud auto: five)

    // read
    int everyMs = 0;                  // 0: samples follow one another at once
    std::optional<long long> samples; // nothing: until interrupted (only with --every)
    QString logPath;
    OutputFormat format = OutputFormat::Text;
    // read: each row as its JSON object to <topic>/<station> on an MQTT broker
    QString mqttHost; // empty: no MQTT
    int mqttPort = 0; // 0: 1883, or 8883 with TLS
    QString topic;
    QString mqttUser;
    QString mqttPasswordFile;
    QString mqttCaFile;
    QString mqttClientId;
    int mqttQueue = 100000; // rows kept while the broker is away, without a spool on disk
    QString spoolDir;       // where rows wait for the broker; empty: in memory (--spool none)
    int spoolMaxMb = 1024;  // beyond it the oldest rows are dropped
    int spoolSyncMs = 0;    // 0: every row on disk before it is shown; N: at most N ms of rows

    // cal
    int channel = 0;
    Parameter parameter = Parameter::Slope; // cal write
    std::uint16_t value = 0;                // cal write
    QString file;                           // cal backup / restore
    bool dryRun = false;

    // ports
    QString portsDir; // where COMn links live (ToolDirs::ports())
    int comPort = 0;  // ports link / unlink: the n of COMn
    QString linkTo;   // ports link: the device
};

struct ParsedCommandLine {
    CliOptions options;
    bool help = false;
    bool version = false;
    int exitCode = 0; // non-zero: the command line cannot run (error says why)
    QString error;
    QStringList warnings; // said on stderr before the command runs
    bool ok() const { return exitCode == 0; }
};

// Options may stand before or after the command words; "--name value" and "--name=value" both
// work, and "--" ends them. A flag wins over comm.set and ModSet.set (given as `defaults`); "--port
// COMn" and the port number of comm.set map through deviceForPort(n, dirs.ports()).
ParsedCommandLine parseCommandLine(const QStringList &args, const SettingsDefaults &defaults,
                                   const ToolDirs &dirs);

// Generated from the option table, as are the messages about where an option applies.
QString helpText();
QStringList optionNames();

} // namespace tr::cli
