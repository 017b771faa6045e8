#include "options.h"

#include <QTest>

using namespace tr::sim;

namespace {

ParsedOptions parse(const QString &commandLine) {
    std::vector<std::string> args;
    for (const QString &arg : commandLine.split(' ', Qt::SkipEmptyParts))
        args.push_back(arg.toStdString());
    return parseOptions(args);
}

} // namespace

class TstOptions : public QObject {
    Q_OBJECT

private slots:
    void accepted() {
        const ParsedOptions p =
            parse("--station=247 --baud 9600 --turnaround-ms 2.5 --values 23.5,-10 --open 3,7 "
                  "--open 1 --seed 4294967295 --state /x/cal.txt --link /x/COM4 --log=out.txt "
                  "--drop 0.5 --exception 0.25 --truncate 1 --corrupt 0 --garbage 0.1 "
                  "--late-ms 100 --exit-on-stdin-eof --exit-with-parent");
        QCOMPARE(QString::fromStdString(p.error), QString());
        QVERIFY(!p.help);
        const Options &o = p.options;
        QCOMPARE(o.station, 247);
        QCOMPARE(o.baud, 9600);
        QCOMPARE(o.turnaroundMs, 2.5);
        // Channels without a value drift; --open adds up.
        QVERIFY(o.values[0] == 23.5 && o.values[1] == -10.0 && !o.values[2] && !o.values[7]);
        QVERIFY((o.open ==
                 std::array<bool, kChannels>{true, false, true, false, false, false, true, false}));
        QCOMPARE(o.seed, 4294967295u);
        QCOMPARE(o.statePath, std::string("/x/cal.txt"));
        QCOMPARE(o.linkPath, std::string("/x/COM4"));
        QVERIFY(o.log);
        QCOMPARE(o.logPath, std::string("out.txt"));
        QCOMPARE(o.faults.drop, 0.5);
        QCOMPARE(o.faults.exception, 0.25);
        QCOMPARE(o.faults.truncate, 1.0);
        QCOMPARE(o.faults.corrupt, 0.0);
        QCOMPARE(o.faults.garbage, 0.1);
        // --late-ms alone makes every answer late.
        QCOMPARE(o.faults.late, 1.0);
        QCOMPARE(o.faults.lateMs, 100);
        QVERIFY(o.exitOnStdinEof && o.exitWithParent);

        QCOMPARE(parse("--late 0.5 --late-ms 100").options.faults.late, 0.5);
        // --log without a value logs to standard output; the next word is an option again.
        const ParsedOptions log = parse("--log --station 3");
        QVERIFY(log.options.log && log.options.logPath.empty());
        QCOMPARE(log.options.station, 3);
        QVERIFY(parse("-h").help);
    }

    void refused_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("mentions");
        for (const char *commandLine :
             {"--station 248", "--baud 0", "--turnaround-ms -1", "--values 1,2,3,4,5,6,7,8,9",
              "--values 3276.8", "--open 9", "--seed -1", "--drop 1.5", "--frobnicate", "COM4"})
            QTest::newRow(commandLine) << commandLine << QString(commandLine).section(' ', 0, 0);
        QTest::newRow("no value") << "--station"
                                  << "--station needs a value";
        QTest::newRow("late without its delay") << "--late 0.5"
                                                << "--late needs --late-ms";
        QTest::newRow("flag with a value") << "--exit-with-parent=1"
                                           << "--exit-with-parent takes no value";
    }
    void refused() {
        QFETCH(QString, commandLine);
        QFETCH(QString, mentions);
        const QString error = QString::fromStdString(parse(commandLine).error);
        QVERIFY2(error.contains(mentions), qPrintable(error));
    }
};

QTEST_APPLESS_MAIN(TstOptions)
#include "tst_sim_options.moc"
