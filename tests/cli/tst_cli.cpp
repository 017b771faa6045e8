// The command line: its parser's refusals, then the real tr6400-cli against the real simulator on
// a pseudo-terminal, and against a scripted far end where the simulator cannot misbehave that way.
#include "cli/commandline.h"
#include "support/files.h"
#include "support/ptypeer.h"
#include "support/simulatorprocess.h"
#include "support/wirelog.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace std::chrono_literals;
using namespace tr::test;

namespace {

const QString kValues = QStringLiteral("23.5,-10,0,100.1,-0.5,3276.7,-200,25");
const QString kLine =
    QStringLiteral("1#:23.50 2#:-10.00 3#:0.00 4#:100.10 5#:-0.50 6#:3276.70 7#:-200.00 8#:25.00 ");
// The csv cells of kValues with sensors 3 and 8 open.
const QStringList kOpen38{"23.50", "-10.00", "", "100.10", "-0.50", "3276.70", "-200.00", ""};
const char *const kAbsent = "-"; // a settings file that is not there

struct Run {
    int exitCode = -1;
    QString out, err;
};

// Runs tr6400-cli, or the program the first word names, without a display (as help2man does).
Run run(QStringList args, const QString &stdoutFile = {}) {
    const QString name = args.value(0).startsWith("tr6400") ? args.takeFirst() : QString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(display);
    QProcess p;
    p.setProcessEnvironment(env);
    if (!stdoutFile.isEmpty())
        p.setStandardOutputFile(stdoutFile);
    p.start(name == "tr6400"       ? TR_WINDOW_PATH
            : name == "tr6400-sim" ? TR_SIM_PATH
                                   : TR_CLI_PATH,
            args);
    const bool ended = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QStringList words(const QString &line) {
    return line.split(' ', Qt::SkipEmptyParts);
}

} // namespace

class TstCli : public QObject {
    Q_OBJECT
private slots:
    // Where the parse ends: help, version, the options to run ("ok ..."), or the whole refusal.
    void parser_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("commSet");
        QTest::addColumn<QString>("modSet");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char *args, const char *outcome, int code = 1,
                            const char *comm = "4,19200", const char *modSet = "1,2,8,1") {
            QTest::addRow("%s | %s | %s", args, comm, modSet)
                << args << comm << modSet << code << outcome;
        };
        row("cal --station 0 -h", "help", 0);
        row("cal --station 0 --version", "version", 0);
        row("read", "ok /dev/ttyS3 station 5 file ", 0, "4,9600", "1,5,3,1");
        row("cal backup --port /p -- --odd.txt", "ok /p station 2 file --odd.txt", 0);
        row("",
            "no command given: read, cal read, cal write, cal backup, cal restore, ports, ports "
            "link, ports unlink or scan");
        row("write", "unknown command write");
        row("read --port /p -- --count 3", "unexpected argument --count");
        row("-- --help", "unknown command --help");
        row("read --speed 9600", "unknown option --speed");
        row("read --station 3 --station 4", "--station is given twice");
        row("read --station 248",
            "--station expects stations 1 to 247 such as 2, 1,2,5 or 1-10, not "
            "\"248\"");
        row("read --count 22", "--count expects a whole number from 1 to 21, not \"22\"");
        row("read --function 131", // the exception bit
            "--function expects 3 or 4 (read holding or input registers), not \"131\"");
        row("read --mqtt [::1]:1884 --topic t --port=/x", "ok /x station 2 file ", 0);
        row("read --format xml", "--format expects jsonl, text or csv, not \"xml\"");
        row("read --log=", "--log needs a file name");
        row("read --progress --quiet", "--progress and --quiet exclude each other");
        row("cal read --channel 1 --function 3", "--function is only for read");
        row("read --channel 1", "--channel is only for cal read and cal write");
        row("cal read --channel 9", "--channel expects a whole number from 1 to 8, not \"9\"");
        row("cal write --channel 1 --slope 1 --offset 2",
            "cal write needs either --slope V or --offset V");
        row("cal write --channel 1 --slope 65536",
            "--slope expects a number from 0 to 65535, not \"65536\"");
        row("cal backup", "cal backup needs a file name");
        row("read --port COM0", "--port COM0: ports are COM1 to COM255");
        row("read --spool /s", "the --mqtt-... and --spool... options and --topic need --mqtt");
        row("read", "--port is required: there is no comm.set in /nonexistent", 1, kAbsent);
        row("read", "comm.set: field 2 is missing or not a whole number (expected \"port,baud\")",
            5, "4,abc");
        row("read --station 2",
            "ModSet.set: field 3 is missing or not a whole number (expected four integers)", 5,
            "4,19200", "1,2");
        row("read --port=/dev/x --baud=1200 --station=3 --count=1", "ok /dev/x station 3 file ", 0,
            "x", "1,2");
    }
    void parser() {
        QFETCH(QString, args);
        QFETCH(QString, commSet);
        QFETCH(QString, modSet);
        QFETCH(int, exitCode);
        QFETCH(QString, outcome);
        const auto file = [](const QString &c) {
            return c == kAbsent ? std::nullopt : std::optional<QByteArray>(c.toLatin1() + "\r\n");
        };
        const tr::cli::ParsedCommandLine p = tr::cli::parseCommandLine(
            words(args), tr::cli::settingsDefaults(file(commSet), file(modSet)),
            tr::ToolDirs::portable("/nonexistent"));
        QString got = p.help ? "help" : p.version ? "version" : p.error;
        if (got.isEmpty())
            got = QStringLiteral("ok %1 station %2 file %3")
                      .arg(p.options.device, QString::number(p.options.station), p.options.file);
        QCOMPARE(p.exitCode, exitCode);
        QCOMPARE(got, outcome);
    }

    // One run of a program, against a simulator unless simArgs is "-"; @DIR@ is a scratch folder
    // holding in.txt, and out.txt must not appear when the run fails.
    void runs_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("out"); // ending in *: the start of stdout
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("in");
        const auto row = [](const QString &sim, const QString &args, int code, int requests,
                            const QString &out, const QString &err, const QByteArray &in = {}) {
            QTest::addRow("%s | %s | %s", qPrintable(sim), qPrintable(args), qPrintable(err))
                << sim << args << code << requests << out << err << in;
        };
        const QString version = QStringLiteral(" " TR_PROJECT_VERSION "\n");
        row("", "read", 0, 1, kLine + '\n', "");
        row("", "read --function 3 --start 5 --count 2", 0, 1, "1#:3276.70 2#:-200.00 \n", "");
        row("--station 17 --baud 9600", "read --station 17 --baud 9600 --count 1", 0, 1,
            "1#:23.50 \n", "");
        row("--exception 1", "read", 4, 1, "exception 4\n", "server device failure"); // not retried
        row("--corrupt 1", "read", 3, 3, "crc\n", "CRC error");
        row("--station 5", "read --timeout-ms 100", 2, 3, "timeout\n", "no answer");
        row("--exception 1", "cal read --channel 1", 4, 1, "", "server device failure");
        row("--exception 1", "cal backup @DIR@/out.txt", 4, 1, "", "was not written");
        row("", "cal restore @DIR@/in.txt", 5, 0, "",
            "in.txt:3: expected \"channel::slope--offset\", found \"3::abc--0\"; nothing was written",
            "\"1::1000--0\r\n2::1000--0\r\n3::abc--0\r\n4::1000--0\r\n\"\r\n");
        row("-", "cal restore @DIR@/in.txt --dry-run", 5, 0, "",
            "in.txt:2: no closing double quote; nothing was written",
            "\"1::1000--0\r\n2::1000--0\r\n"); // no closing quote
        row("-", "cal restore @DIR@/in.txt --dry-run", 5, 0, "",
            "in.txt:4: channel given twice (line 2 already has channel 2); nothing was written",
            "\"1::1--1\r\n2::1--1\r\n3::1--1\r\n2::5--5\r\n\"\r\n");
        row("-", "", 1, 0, "", "tr6400-cli: no command");
        row("-", "read --port /nonexistent/tty", 5, 0, "", "tr6400-cli: cannot open /nonexistent");
        row("-", "cal restore /nonexistent/b.txt --dry-run", 5, 0, "", "/nonexistent/b.txt");
        for (const QString program : {"tr6400-cli", "tr6400-sim", "tr6400"}) {
            row("-", program + " --version", 0, 0, program + version, "");
            row("-", program + " --help", 0, 0, "Usage: *", "");
        }
    }
    void runs() {
        QFETCH(QString, simArgs);
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(int, requests);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, in);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("in.txt"), in));
        SimulatorProcess sim;
        QStringList argv = words(args.replace("@DIR@", dir.path()));
        if (simArgs != "-") {
            QVERIFY(sim.start(QStringList{"--values", kValues, "--log"} + words(simArgs)));
            argv << "--port" << sim.ptyPath();
        }
        const Run r = run(argv);
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
        QVERIFY2(out.endsWith('*') ? r.out.startsWith(out.chopped(1)) : r.out == out,
                 qPrintable(r.out));
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
        QCOMPARE(r.err.contains("--help"), exitCode == 1);
        if (simArgs != "-") // RX-OTHER: a request to another station
            QCOMPARE(sim.stop(SIGTERM, 2s) ? sim.logLines().filter(" RX").size() : -1, requests);
        QVERIFY(exitCode == 0 || !QFile::exists(dir.filePath("out.txt")));
    }

    // Bad and hostile input: the exit status, the first words of the message, how many requests
    // reached the simulator (-1: no simulator), and nothing the run was pointed at is harmed.
    void hostileInput_data() {
        QTest::addColumn<QString>("simArgs");
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("stdoutFile");
        const auto row = [](const char *sim, const char *args, int code, const char *err,
                            int requests, const char *stdoutFile = "") {
            QTest::addRow("%s", args) << sim << args << code << err << requests << stdoutFile;
        };
        row("", "cal backup @DIR@/fifo", 5, "cannot write @DIR@/fifo: a FIFO", 0);
        row("", "cal backup @DIR@/null", 5, "cannot write @DIR@/null: a device", 0);
        row("", "cal backup @PTY@", 5, "cannot write @PTY@: a device", 0);
        row("", "read --log @DIR@/fifo", 5, "cannot append to @DIR@/fifo: a FIFO", 0);
        row("", "read", 5, "cannot write to standard output", 1, "/dev/full");
        row("", "read --samples 2 --format csv", 5, "cannot write to standard output", 0,
            "/dev/full");
        row("", "read --function 6", 1, "--function expects 3 or 4", 0);
        row("", "read --log --quiet", 1, "--log needs a value", 0);
        row("", "read --format csv --log @DIR@/old.csv", 1, "@DIR@/old.csv begins with", 0);
        row("", "cal write --channel 1 --slope -0.4", 1, "--slope expects", 0);
        row("", "read --station 1-10 --every 50", 1, "10 station(s) do not fit into 50 ms", 0);
        row("--truncate 1", "read --retries 0", 3, "sample 1: bad answer: truncated", 1);
        row("--drop-answer 5", "cal restore @DIR@/in.txt --retries 0 --timeout-ms 200", 2,
            "already written: channel 1 and the slope of channel 2", 5);
        row("", "read --mqtt localhost --topic t --mqtt-cafile @DIR@/none.pem", 6,
            "MQTT: cannot read the CA file @DIR@/none.pem", 0);
        row("-", "read --port /x --mqtt h --topic t --mqtt-password-file @DIR@/in.txt", 1,
            "--mqtt-password-file needs --mqtt-user", -1);
        row("-", "read --port @DIR@/COM7", 5,
            "cannot open @DIR@/COM7: it links to /nonexistent/tty", -1);
        row("-", "cal restore @DIR@/bom.txt --dry-run", 5,
            "@DIR@/bom.txt:1: a UTF-8 byte order mark", -1);
        row("-", "cal restore @DIR@/nul.txt --dry-run", 5, "@DIR@/nul.txt:2: a NUL byte", -1);
        row("-", "tr6400-sim --link --exit-on-stdin-eof", 2, "--link needs a value", -1);
    }
    void hostileInput() {
        QFETCH(QString, simArgs);
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QFETCH(int, requests);
        QFETCH(QString, stdoutFile);
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo"), null = dir.filePath("null");
        const QByteArray oldCsv = "time,seq,station,ch1,status\r\n";
        QVERIFY(::mkfifo(qPrintable(fifo), 0600) == 0);
        if (::mknod(qPrintable(null), S_IFCHR | 0600, makedev(1, 3)) != 0 && args.contains("/null"))
            QSKIP("making a device node needs root");
        QVERIFY(
            writeFile(dir.filePath("old.csv"), oldCsv) &&
            writeFile(dir.filePath("in.txt"), "\"1::900--1\r\n2::900--2\r\n\"\r\n") &&
            writeFile(dir.filePath("bom.txt"), "\xEF\xBB\xBF\"1::900--1\r\n\"\r\n") &&
            writeFile(dir.filePath("nul.txt"), QByteArray("\"1::900--1\r\n2::9\0--1\r\n\"", 20)) &&
            QFile::link("/nonexistent/tty", dir.filePath("COM7")));
        PtyPeer pty;
        QStringList argv =
            words(args.replace("@DIR@", dir.path()).replace("@PTY@", pty.slavePath()));
        SimulatorProcess sim;
        if (simArgs != "-") {
            QVERIFY(sim.start(QStringList{"--values", kValues, "--log"} + words(simArgs)));
            argv << "--port" << sim.ptyPath();
        }
        const Run r = run(argv, stdoutFile);
        const QString program = argv[0] == "tr6400-sim" ? "tr6400-sim: " : "tr6400-cli: ";
        QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
        QVERIFY2(r.err.contains(QRegularExpression(
                     "^" + QRegularExpression::escape(
                               program +
                               err.replace("@DIR@", dir.path()).replace("@PTY@", pty.slavePath())),
                     QRegularExpression::MultilineOption)),
                 qPrintable(r.err));
        if (simArgs != "-")
            QCOMPARE(sim.stop(SIGTERM, 2s) ? sim.logLines().filter(" RX").size() : -1, requests);
        struct stat st {};
        QVERIFY(::stat(qPrintable(fifo), &st) == 0 && S_ISFIFO(st.st_mode));
        QVERIFY(::stat(qPrintable(null), &st) != 0 || S_ISCHR(st.st_mode));
        QVERIFY(QFileInfo(pty.slavePath()).exists());
        QCOMPARE(readFile(dir.filePath("old.csv")), oldCsv);
        // Nothing new beside the seven files above (six without root).
        const auto all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
        QCOMPARE(QDir(dir.path()).entryList(all).size(), QFileInfo::exists(null) ? 7 : 6);
    }

    // Rows keep to start + k x 100 ms although answers are lost and the program is stopped for a
    // while: a stalled sample is marked missed and nothing after it slips. Open sensors leave
    // their csv cells empty, and the log holds the same rows.
    void csvOnAFixedSchedule() {
        QTemporaryDir dir;
        SimulatorProcess sim;
        QVERIFY(sim.start(
            {"--values", kValues, "--open", "3,8", "--drop", "0.2", "--seed", "7", "--log"}));
        QProcess cli;
        cli.start(TR_CLI_PATH,
                  {"read", "--port", sim.ptyPath(), "--format", "csv", "--every", "100",
                   "--samples", "24", "--retries", "0", "--log", dir.filePath("s.csv")});
        QThread::msleep(1000);
        ::kill(pid_t(cli.processId()), SIGSTOP);
        QThread::msleep(350);
        ::kill(pid_t(cli.processId()), SIGCONT);
        QVERIFY(cli.waitForFinished(10000));
        sim.stop(SIGTERM, 2s);
        const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
        const QStringList lines =
            QString::fromLocal8Bit(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 25);
        QCOMPARE(lines[0], "time,seq,ch1,ch2,ch3,ch4,ch5,ch6,ch7,ch8,status");
        QCOMPARE(readFile(dir.filePath("s.csv")), (lines.join("\r\n") + "\r\n").toUtf8());

        QMap<QString, int> counts;
        const QDateTime first =
            QDateTime::fromString(lines[1].section(',', 0, 0), Qt::ISODateWithMs);
        for (int k = 0; k < 24; ++k) {
            const QStringList cells = lines[k + 1].split(',');
            const QString status = cells.last();
            ++counts[status];
            QCOMPARE(cells[1], QString::number(k + 1));
            QCOMPARE(cells.mid(2, 8), status == "ok" ? kOpen38 : QStringList(8, QString()));
            // The samples on either side of the missed ones may have been caught by the stall.
            const qint64 late =
                first.msecsTo(QDateTime::fromString(cells[0], Qt::ISODateWithMs)) - 100 * k;
            const bool stalled =
                lines[k].endsWith("missed") || lines.value(k + 2).endsWith("missed");
            QVERIFY2(late >= -2 && late <= (stalled ? 400 : 20), qPrintable(lines.join('\n')));
        }
        const int drops = int(wireLines(sim.logLines(), "DROP").size());
        QVERIFY2(drops > 0 && counts["ok"] > 10 && counts["missed"] >= 2, qPrintable(err));
        QCOMPARE(counts["timeout"], drops);
        QCOMPARE(counts["ok"] + counts["timeout"] + counts["missed"], 24);
        QCOMPARE(err.count(QRegularExpression(": missed, ")), counts["missed"]);
        QCOMPARE(cli.exitCode(), 2);
        QCOMPARE(wireLines(sim.logLines(), "RX").size(), 24 - counts["missed"]);
    }

    void backupRestoreRoundTrip() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("a.state"), "1 1200 5\n2 998 65526\n4 0 0\n5 65535 300\n"));
        const QByteArray expected =
            "\"1::1200--5\r\n2::998--65526\r\n3::1000--0\r\n4::0--0\r\n"
            "5::65535--300\r\n6::1000--0\r\n7::1000--0\r\n8::1000--0\r\n\"\r\n";
        const auto cli = [&](const QString &state, const QString &args) {
            SimulatorProcess sim;
            return sim.start({"--state", dir.filePath(state)})
                       ? run(words("tr6400-cli " + args) << "--port" << sim.ptyPath())
                       : Run{};
        };
        Run r = cli("a.state", "cal backup " + dir.filePath("first.txt") + " --progress");
        QVERIFY2(r.exitCode == 0 && r.err.count("backup: channel") == 8, qPrintable(r.err));
        QCOMPARE(readFile(dir.filePath("first.txt")), expected);
        // b starts from the factory calibration; what it is told survives its restart.
        QCOMPARE(cli("b.state", "cal restore " + dir.filePath("first.txt") + " --quiet").exitCode,
                 0);
        r = cli("b.state", "cal backup " + dir.filePath("second.txt"));
        QVERIFY2(r.exitCode == 0 && r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(readFile(dir.filePath("second.txt")), expected);
    }

    // What the simulator never sends: stray bytes after an answer, which must not start the next
    // one, then the right CRC from the wrong station.
    void scriptedAnswers() {
        PtyPeer peer;
        QProcess cli;
        cli.start(TR_CLI_PATH, {"read", "--port", peer.slavePath(), "--count", "2", "--samples",
                                "3", "--retries", "0"});
        const QByteArray good = fromHex("02 04 04 00 EB FF 9C F9 29");
        for (const QByteArray &answer :
             {good + fromHex("AA BB"), fromHex("03 04 04 00 EB FF 9C E9 E9"), good}) {
            QCOMPARE(peer.readFor(5000, 8), fromHex("02 04 00 00 00 02 71 F8"));
            peer.write(answer);
        }
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.readAllStandardOutput(),
                 QByteArray("1#:23.50 2#:-10.00 \nstation\n1#:23.50 2#:-10.00 \n"));
        QCOMPARE(cli.exitCode(), 3);
    }
};

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
