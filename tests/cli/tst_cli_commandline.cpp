// The command line: what each flag sets, what the settings files supply, and every refusal.
#include "cli/commandline.h"
#include "cli/exitcodes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tr::cli;

namespace {

// A settings file's content, or this marker for "not there".
const QByteArray kAbsent("<absent>");

std::optional<QByteArray> present(const QByteArray &content) {
    return content == kAbsent ? std::nullopt : std::optional<QByteArray>(content);
}

QString formatName(OutputFormat f) {
    return f == OutputFormat::Csv ? "csv" : "text";
}

// The parse as one line of "name=value" items, compared as a whole.
QString describe(const CliOptions &o) {
    QStringList items{QStringLiteral("device=%1").arg(o.device),
                      QStringLiteral("baud=%1").arg(o.baud),
                      QStringLiteral("station=%1").arg(o.station)};
    if (o.command == Command::Read) {
        items << QStringLiteral("function=%1").arg(o.function)
              << QStringLiteral("start=%1").arg(o.start) << QStringLiteral("count=%1").arg(o.count)
              << QStringLiteral("every=%1").arg(o.everyMs)
              << QStringLiteral("samples=%1").arg(o.samples ? QString::number(*o.samples) : "-")
              << QStringLiteral("format=%1").arg(formatName(o.format))
              << QStringLiteral("log=%1").arg(o.logPath);
    }
    if (o.command == Command::CalRead || o.command == Command::CalWrite)
        items << QStringLiteral("channel=%1").arg(o.channel);
    if (o.command == Command::CalWrite)
        items << QStringLiteral("%1=%2")
                     .arg(o.parameter == tr::Parameter::Slope ? "slope" : "offset")
                     .arg(o.value);
    if (o.command == Command::CalBackup || o.command == Command::CalRestore)
        items << QStringLiteral("file=%1").arg(o.file);
    if (o.dryRun)
        items << QStringLiteral("dry-run");
    return items.join(QLatin1Char(' '));
}

} // namespace

class TstCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // COM7 is linked beside the program; COM4 is not and falls back to /dev/ttyS3.
        QVERIFY(QDir(dir_.path()).mkdir("ports"));
        QVERIFY(QFile::link("/dev/null", dir_.filePath("ports/COM7")));
    }

    void parses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<QByteArray>("modSet");
        QTest::addColumn<QString>("expected");
        const QString com7 = dir_.filePath("ports/COM7");
        const QString readDefaults =
            " function=4 start=0 count=8 every=0 samples=1 format=text log=";

        QTest::newRow("built-in defaults")
            << QStringList{"read", "--port", "/dev/ttyUSB0"} << kAbsent << kAbsent
            << "device=/dev/ttyUSB0 baud=19200 station=2" + readDefaults;
        QTest::newRow("settings files")
            << QStringList{"read"} << QByteArray("7,9600\r\n") << QByteArray("1,5,3,1\r\n")
            << "device=" + com7 +
                   " baud=9600 station=5 function=4 start=0 count=3 every=0 "
                   "samples=1 format=text log=";
        QTest::newRow("flags win over the files")
            << QStringList{"read",      "--port", "COM4",    "--baud", "38400",
                           "--station", "9",      "--count", "21"}
            << QByteArray("7,9600\r\n") << QByteArray("1,5,3,1\r\n")
            << "device=/dev/ttyS3 baud=38400 station=9 function=4 start=0 count=21 every=0 "
               "samples=1 format=text log=";
        QTest::newRow("com in lower case")
            << QStringList{"read", "--port", "com7"} << kAbsent << kAbsent
            << "device=" + com7 + " baud=19200 station=2" + readDefaults;
        QTest::newRow("a malformed file a flag overrides is not read")
            << QStringList{"read", "--port=/dev/x", "--baud=1200", "--station=3", "--count=1"}
            << QByteArray("x\r\n") << QByteArray("1,2\r\n")
            << "device=/dev/x baud=1200 station=3 function=4 start=0 count=1 every=0 "
               "samples=1 format=text log=";
        QTest::newRow("options before the command")
            << QStringList{"--port", "/dev/x", "--function", "3", "--start", "5", "read"} << kAbsent
            << kAbsent
            << "device=/dev/x baud=19200 station=2 function=3 start=5 count=8 every=0 "
               "samples=1 format=text log=";
        QTest::newRow("every runs until interrupted")
            << QStringList{"read", "--port", "/dev/x", "--every", "100"} << kAbsent << kAbsent
            << "device=/dev/x baud=19200 station=2 function=4 start=0 count=8 every=100 "
               "samples=- format=text log=";
        QTest::newRow("every with samples, csv log")
            << QStringList{"read", "--port",   "/dev/x", "--every", "100",  "--samples",
                           "20",   "--format", "csv",    "--log",   "t.csv"}
            << kAbsent << kAbsent
            << "device=/dev/x baud=19200 station=2 function=4 start=0 count=8 every=100 "
               "samples=20 format=csv log=t.csv";
        QTest::newRow("cal read") << QStringList{"cal", "read", "--channel", "8", "--port", "/p"}
                                  << kAbsent << QByteArray("0,247,8,0")
                                  << "device=/p baud=19200 station=247 channel=8";
        QTest::newRow("cal write slope, half to even")
            << QStringList{"cal", "write", "--channel", "1", "--slope", "1000.5", "--port", "/p"}
            << kAbsent << kAbsent << "device=/p baud=19200 station=2 channel=1 slope=1000";
        QTest::newRow("cal write offset, half to even")
            << QStringList{"cal", "write", "--channel", "2", "--offset", "1001.5", "--port", "/p"}
            << kAbsent << kAbsent << "device=/p baud=19200 station=2 channel=2 offset=1002";
        QTest::newRow("backup") << QStringList{"cal", "backup", "b.txt", "--port", "/p"} << kAbsent
                                << kAbsent << "device=/p baud=19200 station=2 file=b.txt";
        QTest::newRow("dry run needs no port")
            << QStringList{"cal", "restore", "b.txt", "--dry-run", "--station", "1"} << kAbsent
            << kAbsent << "device= baud=19200 station=1 file=b.txt dry-run";
        QTest::newRow("dry run ignores a broken comm.set")
            << QStringList{"cal", "restore", "b.txt", "--dry-run"} << QByteArray("4,") << kAbsent
            << "device= baud=19200 station=2 file=b.txt dry-run";
    }
    void parses() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, commSet);
        QFETCH(QByteArray, modSet);
        QFETCH(QString, expected);
        const ParsedCommandLine p = parseCommandLine(
            args, settingsDefaults(present(commSet), present(modSet)), dir_.path());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QVERIFY(!p.help);
        QCOMPARE(describe(p.options), expected);
    }

    void lineOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("retries");
        QTest::addColumn<int>("progress");
        QTest::addColumn<bool>("trace");
        QTest::newRow("defaults") << QStringList{} << 500 << 2 << int(Progress::Auto) << false;
        QTest::newRow("all given")
            << QStringList{"--timeout-ms", "50", "--retries", "0", "--progress", "--trace"} << 50
            << 0 << int(Progress::Forced) << true;
        QTest::newRow("quiet") << QStringList{"--quiet"} << 500 << 2 << int(Progress::Silenced)
                               << false;
    }
    void lineOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, timeoutMs);
        QFETCH(int, retries);
        QFETCH(int, progress);
        QFETCH(bool, trace);
        const ParsedCommandLine p = parseCommandLine(
            QStringList{"cal", "backup", "f", "--port", "/p"} + args, {}, dir_.path());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.options.timeoutMs, timeoutMs);
        QCOMPARE(p.options.retries, retries);
        QCOMPARE(int(p.options.progress), progress);
        QCOMPARE(p.options.trace, trace);
    }

    void refuses_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<QByteArray>("modSet");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QByteArray comm("4,19200\r\n");
        auto row = [&](const char *name, const QStringList &args, int code, const char *message,
                       const QByteArray &c = QByteArray("4,19200\r\n"),
                       const QByteArray &m = QByteArray("1,2,8,1\r\n")) {
            QTest::newRow(name) << args << c << m << code << QString(message);
        };
        row("no command", {}, ExitUsage, "no command");
        row("only options", {"--port", "/p"}, ExitUsage, "no command");
        row("unknown command", {"write"}, ExitUsage, "unknown command write");
        row("unknown cal command", {"cal", "erase"}, ExitUsage, "unknown command cal erase");
        row("cal alone", {"cal"}, ExitUsage, "cal needs");
        row("extra word", {"read", "now"}, ExitUsage, "unexpected argument now");
        row("unknown option", {"read", "--speed", "9600"}, ExitUsage, "unknown option --speed");
        row("single dash", {"read", "-p"}, ExitUsage, "unknown option -p");
        row("value missing", {"read", "--port"}, ExitUsage, "--port needs a value");
        row("given twice", {"read", "--station", "3", "--station", "4"}, ExitUsage, "twice");
        row("flag with a value", {"read", "--quiet=yes"}, ExitUsage, "--quiet takes no value");
        row("station 0", {"read", "--station", "0"}, ExitUsage, "--station");
        row("station 248", {"read", "--station", "248"}, ExitUsage, "1 to 247");
        row("station in hex", {"read", "--station", "&H2"}, ExitUsage, "--station");
        row("count 0", {"read", "--count", "0"}, ExitUsage, "--count");
        row("count 22", {"read", "--count", "22"}, ExitUsage, "1 to 21");
        row("start 256", {"read", "--start", "256"}, ExitUsage, "--start");
        row("function 0", {"read", "--function", "0"}, ExitUsage, "--function");
        row("function with the exception bit", {"read", "--function", "131"}, ExitUsage,
            "--function");
        row("timeout 0", {"read", "--timeout-ms", "0"}, ExitUsage, "--timeout-ms");
        row("negative retries", {"read", "--retries", "-1"}, ExitUsage, "--retries");
        row("every 0", {"read", "--every", "0"}, ExitUsage, "--every");
        row("samples 0", {"read", "--samples", "0"}, ExitUsage, "--samples");
        row("format xml", {"read", "--format", "xml"}, ExitUsage, "text or csv");
        row("empty log name", {"read", "--log="}, ExitUsage, "--log");
        row("baud 0", {"read", "--baud", "0"}, ExitUsage, "--baud");
        row("progress and quiet", {"read", "--progress", "--quiet"}, ExitUsage, "exclude");
        row("function with cal", {"cal", "read", "--channel", "1", "--function", "3"}, ExitUsage,
            "--function is only for read");
        row("every with cal", {"cal", "backup", "f", "--every", "10"}, ExitUsage,
            "--every is only for read");
        row("channel with read", {"read", "--channel", "1"}, ExitUsage, "--channel is only");
        row("dry run with backup", {"cal", "backup", "f", "--dry-run"}, ExitUsage,
            "--dry-run is only for cal restore");
        row("cal read without channel", {"cal", "read"}, ExitUsage, "--channel");
        row("channel 9", {"cal", "read", "--channel", "9"}, ExitUsage, "1 to 8");
        row("channel 0", {"cal", "write", "--channel", "0", "--slope", "1"}, ExitUsage,
            "--channel");
        row("write without a value", {"cal", "write", "--channel", "1"}, ExitUsage,
            "either --slope");
        row("write both", {"cal", "write", "--channel", "1", "--slope", "1", "--offset", "2"},
            ExitUsage, "either --slope");
        row("slope 65536", {"cal", "write", "--channel", "1", "--slope", "65536"}, ExitUsage,
            "0 to 65535");
        row("negative offset", {"cal", "write", "--channel", "1", "--offset", "-1"}, ExitUsage,
            "--offset");
        row("slope not a number", {"cal", "write", "--channel", "1", "--slope", "one"}, ExitUsage,
            "--slope");
        row("slope with read", {"cal", "read", "--channel", "1", "--slope", "1"}, ExitUsage,
            "--slope is only for cal write");
        row("backup without file", {"cal", "backup"}, ExitUsage, "needs a file");
        row("restore without file", {"cal", "restore", "--dry-run"}, ExitUsage, "needs a file");
        row("port 0", {"read", "--port", "COM0"}, ExitUsage, "COM1 to COM255");
        row("no port anywhere", {"read"}, ExitUsage, "--port is required", kAbsent);
        row("comm.set field 2", {"read"}, ExitFileError, "comm.set: field 2", "4,abc\r\n");
        row("comm.set field 1", {"read", "--baud", "9600"}, ExitFileError, "comm.set: field 1",
            ",19200\r\n");
        row("comm.set port 0", {"read"}, ExitFileError, "comm.set: port 0", "0,19200\r\n");
        row("ModSet.set field 3", {"read", "--station", "2"}, ExitFileError, "ModSet.set: field 3",
            comm, "1,2\r\n");
        row("ModSet.set station 300", {"cal", "read", "--channel", "1"}, ExitFileError,
            "ModSet.set: station 300", comm, "1,300,8,1\r\n");
        row("ModSet.set count 30", {"read"}, ExitFileError, "count 30", comm, "1,2,30,1\r\n");
    }
    void refuses() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, commSet);
        QFETCH(QByteArray, modSet);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ParsedCommandLine p = parseCommandLine(
            args, settingsDefaults(present(commSet), present(modSet)), dir_.path());
        QVERIFY(!p.help);
        QCOMPARE(p.exitCode, exitCode);
        QVERIFY2(p.error.contains(message), qPrintable(p.error));
    }

    void help_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("alone") << QStringList{"--help"};
        QTest::newRow("short") << QStringList{"-h"};
        QTest::newRow("after a command with faults") << QStringList{"cal", "--station", "0", "-h"};
    }
    void help() {
        QFETCH(QStringList, args);
        const ParsedCommandLine p = parseCommandLine(args, {}, dir_.path());
        QVERIFY(p.help);
        QCOMPARE(p.exitCode, 0);
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_cli_commandline.moc"
