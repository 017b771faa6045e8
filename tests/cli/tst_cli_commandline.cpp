// The command line: what each flag sets, what the settings files supply, one refusal for each
// rule, and a help that lists every option.
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
const QByteArray kComm("4,19200\r\n");
const QByteArray kModSet("1,2,8,1\r\n");

ParsedCommandLine parse(const QString &args, const QByteArray &comm, const QByteArray &modSet,
                        const QString &programDir) {
    const auto present = [](const QByteArray &c) {
        return c == kAbsent ? std::nullopt : std::optional<QByteArray>(c);
    };
    return parseCommandLine(args.split(' ', Qt::SkipEmptyParts),
                            settingsDefaults(present(comm), present(modSet)),
                            tr::ToolDirs::portable(programDir));
}

// The parse as one line of "name=value" items, compared as a whole.
QString describe(const CliOptions &o) {
    QStringList items{
        QStringLiteral("device=%1 baud=%2 station=%3").arg(o.device).arg(o.baud).arg(o.station)};
    if (o.command == Command::Read)
        items << QStringLiteral("function=%1 start=%2 count=%3 every=%4 samples=%5 format=%6 "
                                "log=%7")
                     .arg(o.function)
                     .arg(o.start)
                     .arg(o.count)
                     .arg(o.everyMs)
                     .arg(o.samples ? QString::number(*o.samples) : "-")
                     .arg(o.format == OutputFormat::Csv ? "csv" : "text", o.logPath);
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
    if (o.timeoutMs != 500 || o.retries != 2)
        items << QStringLiteral("timeout=%1 retries=%2").arg(o.timeoutMs).arg(o.retries);
    if (o.progress != Progress::Auto)
        items << (o.progress == Progress::Forced ? "progress" : "quiet");
    if (o.trace)
        items << QStringLiteral("trace");
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
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<QByteArray>("modSet");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *args, const QByteArray &comm,
                            const QByteArray &modSet, const QString &expected) {
            QTest::newRow(name) << QString(args) << comm << modSet << expected;
        };
        const QString com7 = dir_.filePath("ports/COM7");
        const QString read = " function=4 start=0 count=8 every=0 samples=1 format=text log=";
        row("built-in defaults", "read --port /dev/ttyUSB0", kAbsent, kAbsent,
            "device=/dev/ttyUSB0 baud=19200 station=2" + read);
        row("settings files", "read", "7,9600\r\n", "1,5,3,1\r\n",
            "device=" + com7 + " baud=9600 station=5" + QString(read).replace("8", "3"));
        row("flags win over the files", "read --port COM4 --baud 38400 --station 9 --count 21",
            "7,9600\r\n", "1,5,3,1\r\n",
            "device=/dev/ttyS3 baud=38400 station=9" + QString(read).replace("8", "21"));
        row("com in lower case", "read --port com7", kAbsent, kAbsent,
            "device=" + com7 + " baud=19200 station=2" + read);
        row("a malformed file a flag overrides is not read",
            "read --port=/dev/x --baud=1200 --station=3 --count=1", "x\r\n", "1,2\r\n",
            "device=/dev/x baud=1200 station=3" + QString(read).replace("8", "1"));
        row("options before the command", "--port /dev/x --function 3 --start 5 read", kAbsent,
            kAbsent,
            "device=/dev/x baud=19200 station=2" + QString(read).replace("4 start=0", "3 start=5"));
        row("every runs until interrupted", "read --port /dev/x --every 100", kAbsent, kAbsent,
            "device=/dev/x baud=19200 station=2 function=4 start=0 count=8 every=100 samples=- "
            "format=text log=");
        row("every with samples, csv log",
            "read --port /dev/x --every 100 --samples 20 --format csv --log t.csv", kAbsent,
            kAbsent,
            "device=/dev/x baud=19200 station=2 function=4 start=0 count=8 every=100 samples=20 "
            "format=csv log=t.csv");
        row("cal read", "cal read --channel 8 --port /p", kAbsent, "0,247,8,0",
            "device=/p baud=19200 station=247 channel=8");
        row("cal write slope, half to even", "cal write --channel 1 --slope 1000.5 --port /p",
            kAbsent, kAbsent, "device=/p baud=19200 station=2 channel=1 slope=1000");
        row("backup", "cal backup b.txt --port /p", kAbsent, kAbsent,
            "device=/p baud=19200 station=2 file=b.txt");
        row("dry run needs no port, ignores a broken comm.set",
            "cal restore b.txt --dry-run --station 1", "4,", kAbsent,
            "device= baud=19200 station=1 file=b.txt dry-run");
        row("-- ends the options", "cal backup --port /p -- --odd.txt", kAbsent, kAbsent,
            "device=/p baud=19200 station=2 file=--odd.txt");
        row("line options", "cal backup f --port /p --timeout-ms 50 --retries 0 --progress --trace",
            kAbsent, kAbsent,
            "device=/p baud=19200 station=2 file=f timeout=50 retries=0 progress trace");
        row("quiet", "cal backup f --port /p --quiet", kAbsent, kAbsent,
            "device=/p baud=19200 station=2 file=f quiet");
    }
    void parses() {
        QFETCH(QString, args);
        QFETCH(QByteArray, commSet);
        QFETCH(QByteArray, modSet);
        QFETCH(QString, expected);
        const ParsedCommandLine p = parse(args, commSet, modSet, dir_.path());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QVERIFY(!p.help);
        QCOMPARE(describe(p.options), expected);
    }

    // Where the parse ends without options to run: help, version, or a refusal.
    void stops_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("commSet");
        QTest::addColumn<QByteArray>("modSet");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *args, const char *message, int code = ExitUsage,
                            const QByteArray &comm = kComm, const QByteArray &modSet = kModSet) {
            QTest::addRow("%s: %s", args, message)
                << QString(args) << comm << modSet << code << QString(message);
        };
        for (const char *args : {"--help", "-h", "cal --station 0 -h"})
            row(args, "help", ExitOk);
        for (const char *args : {"--version", "cal --station 0 --version"})
            row(args, "version", ExitOk);
        row("", "no command");
        row("write", "unknown command write");
        row("cal", "cal needs");
        row("read now", "unexpected argument now");
        row("read --port /p -- --count 3", "unexpected argument --count");
        row("-- --help", "unknown command --help");
        row("cal frob", "unknown command cal frob");
        row("read --speed 9600", "unknown option --speed");
        row("read --port", "--port needs a value");
        row("read --station 3 --station 4", "twice");
        row("read --quiet=yes", "--quiet takes no value");
        row("read --station 248", "1 to 247");
        row("read --count 22", "1 to 21");
        row("read --function 131", "--function"); // the exception bit
        row("read --every 0", "--every");
        row("read --format xml", "text or csv");
        row("read --log=", "--log");
        row("read --progress --quiet", "exclude");
        row("cal read --channel 1 --function 3", "--function is only for read");
        row("read --channel 1", "--channel is only for cal read and cal write");
        row("cal read", "--channel");
        row("cal read --channel 9", "1 to 8");
        row("cal write --channel 1 --slope 1 --offset 2", "either --slope");
        row("cal write --channel 1 --slope 65536", "0 to 65535");
        row("cal write --channel 1 --slope one", "--slope");
        row("cal backup", "needs a file");
        row("read --port COM0", "COM1 to COM255");
        row("read", "--port is required", ExitUsage, kAbsent);
        row("read", "comm.set: field 2", ExitFileError, "4,abc\r\n");
        row("read --baud 9600", "comm.set: field 1", ExitFileError, ",19200\r\n");
        row("read", "comm.set: port 0", ExitFileError, "0,19200\r\n");
        row("read --station 2", "ModSet.set: field 3", ExitFileError, kComm, "1,2\r\n");
        row("cal read --channel 1", "ModSet.set: station 300", ExitFileError, kComm,
            "1,300,8,1\r\n");
    }
    void stops() {
        QFETCH(QString, args);
        QFETCH(QByteArray, commSet);
        QFETCH(QByteArray, modSet);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const ParsedCommandLine p = parse(args, commSet, modSet, dir_.path());
        const QString outcome = p.help ? "help" : p.version ? "version" : p.error;
        QCOMPARE(p.exitCode, exitCode);
        QVERIFY2(outcome.contains(message), qPrintable(outcome));
    }

    void helpListsEveryOption() {
        const QString help = helpText();
        QVERIFY(help.startsWith("Usage: tr6400-cli read [OPTION]...\n  or:  tr6400-cli cal read"));
        for (const QString &name : optionNames())
            QVERIFY2(help.contains("\n  " + name), qPrintable(name));
        for (const QString &line : help.split('\n'))
            QVERIFY2(line.size() <= 79, qPrintable(line));
    }

private:
    QTemporaryDir dir_;
};

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_cli_commandline.moc"
