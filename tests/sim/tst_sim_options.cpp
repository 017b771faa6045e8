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

QString yes(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// A readable digest of the options a row can change.
QString digest(const Options &o) {
    QStringList values;
    QStringList open;
    for (int ch = 0; ch < kChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        values << (o.values[i] ? QString::number(*o.values[i]) : QStringLiteral("~"));
        if (o.open[i])
            open << QString::number(ch + 1);
    }
    const FaultRates &f = o.faults;
    return QStringLiteral("station=%1 baud=%2 turnaround=%3 values=%4 open=%5 seed=%6 state=%7 "
                          "link=%8 log=%9:%10 faults=%11/%12/%13/%14/%15/%16 lateMs=%17 "
                          "stdin=%18 parent=%19")
        .arg(o.station)
        .arg(o.baud)
        .arg(o.turnaroundMs)
        .arg(values.join(','), open.join(','))
        .arg(o.seed)
        .arg(QString::fromStdString(o.statePath), QString::fromStdString(o.linkPath))
        .arg(yes(o.log), QString::fromStdString(o.logPath))
        .arg(f.drop)
        .arg(f.exception)
        .arg(f.truncate)
        .arg(f.corrupt)
        .arg(f.garbage)
        .arg(f.late)
        .arg(f.lateMs)
        .arg(yes(o.exitOnStdinEof), yes(o.exitWithParent));
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void helpNamesEveryOption();
};

void TestOptions::accepted_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("changes"); // "key=value" pairs that differ from the defaults

    const auto row = [](const char *commandLine, const char *changes) {
        QTest::newRow(*commandLine ? commandLine : "defaults")
            << QString(commandLine) << QString(changes);
    };
    row("", "");
    row("--station 7", "station=7");
    row("--station=247", "station=247");
    row("--baud 9600 --turnaround-ms 2.5", "baud=9600 turnaround=2.5");
    row("--values 23.5,-10", "values=23.5,-10,~,~,~,~,~,~");
    row("--values=-3276.7", "values=-3276.7,~,~,~,~,~,~,~");
    row("--open 3,7 --open 1", "open=1,3,7");
    row("--seed 4294967295", "seed=4294967295");
    row("--state /tmp/x/cal.txt --link /tmp/x/COM4", "state=/tmp/x/cal.txt link=/tmp/x/COM4");
    row("--log", "log=true:");
    row("--log out.txt", "log=true:out.txt");
    row("--log=out.txt", "log=true:out.txt");
    row("--log --station 3", "log=true: station=3");
    row("--drop 0.5 --exception 0.25 --truncate 1 --corrupt 0 --garbage 0.1",
        "faults=0.5/0.25/1/0/0.1/0");
    row("--late-ms 100", "faults=0/0/0/0/0/1 lateMs=100");
    row("--late 0.5 --late-ms 100", "faults=0/0/0/0/0/0.5 lateMs=100");
    row("--exit-on-stdin-eof --exit-with-parent", "stdin=true parent=true");
    row("-h", "");
}

void TestOptions::accepted() {
    QFETCH(QString, commandLine);
    QFETCH(QString, changes);

    const ParsedOptions parsed = parse(commandLine);
    QCOMPARE(QString::fromStdString(parsed.error), QString());
    QCOMPARE(parsed.help, commandLine == "-h");

    QStringList expected = digest(Options{}).split(' ');
    for (const QString &change : changes.split(' ', Qt::SkipEmptyParts)) {
        const QString key = change.section('=', 0, 0) + '=';
        auto it = std::find_if(expected.begin(), expected.end(),
                               [&key](const QString &item) { return item.startsWith(key); });
        QVERIFY2(it != expected.end(), qPrintable(key));
        *it = change;
    }
    QCOMPARE(digest(parsed.options), expected.join(' '));
}

void TestOptions::refused_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("mentions");

    const auto row = [](const char *commandLine, const char *mentions) {
        QTest::newRow(commandLine) << QString(commandLine) << QString(mentions);
    };
    row("--station 0", "--station");
    row("--station 248", "--station");
    row("--station two", "--station");
    row("--station", "--station needs a value");
    row("--baud 0", "--baud");
    row("--turnaround-ms -1", "--turnaround-ms");
    row("--values 1,2,3,4,5,6,7,8,9", "--values");
    row("--values 23.5,,20", "--values");
    row("--values 3276.8", "--values");
    row("--open 9", "--open");
    row("--open 0", "--open");
    row("--seed -1", "--seed");
    row("--drop 1.5", "--drop");
    row("--corrupt -0.1", "--corrupt");
    row("--late 0.5", "--late needs --late-ms");
    row("--late-ms x", "--late-ms");
    row("--exit-with-parent=1", "--exit-with-parent takes no value");
    row("--frobnicate", "--frobnicate");
    row("COM4", "COM4");
}

void TestOptions::refused() {
    QFETCH(QString, commandLine);
    QFETCH(QString, mentions);

    const QString error = QString::fromStdString(parse(commandLine).error);
    QVERIFY2(error.contains(mentions), qPrintable(error));
}

void TestOptions::helpNamesEveryOption() {
    const QString help = QString::fromStdString(helpText());
    const QStringList options{"--station",
                              "--baud",
                              "--turnaround-ms",
                              "--link",
                              "--values",
                              "--open",
                              "--seed",
                              "--state",
                              "--drop",
                              "--exception",
                              "--truncate",
                              "--corrupt",
                              "--garbage",
                              "--late",
                              "--late-ms",
                              "--log",
                              "--exit-on-stdin-eof",
                              "--exit-with-parent",
                              "--help"};
    for (const QString &option : options) {
        QVERIFY2(help.contains(option + ' ') || help.contains(option + ','), qPrintable(option));
        // Every option named in the help is one the parser knows.
        QVERIFY2(!QString::fromStdString(parse(option).error).contains("unknown"),
                 qPrintable(option));
    }
}

QTEST_APPLESS_MAIN(TestOptions)
#include "tst_sim_options.moc"
