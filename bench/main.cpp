// tr6400-bench [--smoke] [--cli PATH] [--mbpoll PATH] [--startup PATH] [--sim-log FILE]
//              [--csv FILE]   (one row per answer, for a closer look)
//              [--trend-only] (only the trend tab's phase, about 7 min: for work on the chart)
// The window's performance against the module simulator on a pseudo-terminal at 19200 baud
// with a 5 ms turnaround. This process is the window: it builds the real frmMain offscreen on a
// temporary program directory whose ports/COM4 is the simulator's link. Prints one table; exits
// non-zero only when a phase could not run (a MISS is a measurement, not a failure).
#include "bench/findings.h"
#include "bench/plan.h"
#include "bench/procstats.h"
#include "bench/report.h"
#include "bench/startuprun.h"
#include "bench/toolrun.h"
#include "bench/trendrun.h"
#include "bench/windowrun.h"
#include "modbus/clock.h"
#include "support/simulatorprocess.h"
#include "support/wirelog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

using namespace tr::bench;

namespace {

#ifndef TR_CLI_PATH
#define TR_CLI_PATH ""
#endif

struct Options {
    bool smoke = false;
    bool trendOnly = false;
    QString cli;
    QString mbpoll;
    QString startup;
    QString simLogCopy;
    QString csv;
    QString error;
};

Options parseOptions(const QStringList &args) {
    QCommandLineParser parser;
    const QCommandLineOption smoke(QStringLiteral("smoke")),
        trendOnly(QStringLiteral("trend-only")),
        cli(QStringLiteral("cli"), {}, QStringLiteral("PATH"), QStringLiteral(TR_CLI_PATH)),
        mbpoll(QStringLiteral("mbpoll"), {}, QStringLiteral("PATH"),
               QStandardPaths::findExecutable(QStringLiteral("mbpoll"))),
        startup(QStringLiteral("startup"), {}, QStringLiteral("PATH"),
                QStringLiteral(TR_STARTUP_PATH)),
        simLog(QStringLiteral("sim-log"), {}, QStringLiteral("FILE")),
        csv(QStringLiteral("csv"), {}, QStringLiteral("FILE"));
    parser.addOptions({smoke, trendOnly, cli, mbpoll, startup, simLog, csv});
    Options o;
    if (!parser.parse(args))
        o.error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        o.error = QStringLiteral("unknown argument ") + parser.positionalArguments().first();
    o.smoke = parser.isSet(smoke);
    o.trendOnly = parser.isSet(trendOnly);
    o.cli = parser.value(cli);
    o.mbpoll = parser.value(mbpoll);
    o.startup = parser.value(startup);
    o.simLogCopy = parser.value(simLog);
    o.csv = parser.value(csv);
    return o;
}

void progress(const QString &text) {
    std::fprintf(stderr, "[%s] %s\n", qPrintable(QTime::currentTime().toString("HH:mm:ss")),
                 qPrintable(text));
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[]) {
    // The window runs offscreen; tr6400-startup inherits the same platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "tr6400-bench: %s\n", qPrintable(options.error));
        return 2;
    }
    const Plan plan = options.smoke ? smokePlan() : fullPlan();

    QTemporaryDir dir;
    const QString programDir = dir.path();
    const QString simLog = dir.filePath(QStringLiteral("sim.log"));
    if (!dir.isValid() || !writeFile(dir.filePath("comm.set"), "4,19200\r\n") ||
        !writeFile(dir.filePath("ModSet.set"),
                   QStringLiteral("1,2,%1,1\r\n").arg(plan.channels).toLatin1())) {
        std::fprintf(stderr, "tr6400-bench: cannot prepare a program directory\n");
        return 1;
    }
    SimulatorProcess sim;
    if (!sim.start({QStringLiteral("--link"), dir.filePath(QStringLiteral("ports/COM4")),
                    QStringLiteral("--baud"), QString::number(plan.baud),
                    QStringLiteral("--turnaround-ms"), QString::number(plan.turnaroundMs),
                    QStringLiteral("--log"), simLog})) {
        std::fprintf(stderr, "tr6400-bench: the simulator did not start: %s\n",
                     sim.process().readAllStandardError().constData());
        return 1;
    }

    QStringList failures;
    StartupFigures startup;
    WindowRun window;
    WindowFigures figures;
    if (!options.trendOnly) {
        progress(QStringLiteral("start-up, %1 runs").arg(plan.startupRuns));
        startup = runStartups(options.startup, programDir, plan.startupRuns);
        if (!startup.error.isEmpty())
            failures << QStringLiteral("start-up: ") + startup.error;

        progress(QStringLiteral("window: %1 s idle, %2 s at %3 ms, %4 s at %5 ms")
                     .arg(plan.idleMs / 1000.0)
                     .arg(plan.fastMs / 1000.0)
                     .arg(plan.fastPeriodMs)
                     .arg(plan.slowMs / 1000.0)
                     .arg(plan.slowPeriodMs));
        window = runWindowPhases(plan, programDir, sim.pid());
    }

    progress(QStringLiteral("trend tab: %1 s at %2 ms, 2 × %3 s at %4 ms, %5 turns of %6 s with "
                            "tab 1 and a bare window, drawing, a %7 MB file")
                 .arg(plan.trendFastMs / 1000.0)
                 .arg(plan.fastPeriodMs)
                 .arg(plan.trendSlowMs / 1000.0)
                 .arg(plan.slowPeriodMs)
                 .arg(plan.turns)
                 .arg(plan.turnMs / 1000.0)
                 .arg(double(plan.loadFileBytes) / 1e6, 0, 'f', 0));
    const TrendRun trend = runTrendPhases(plan, programDir, sim.pid());
    if (!trend.error.isEmpty())
        failures << QStringLiteral("trend: ") + trend.error;

    // The simulator's log of the window's and the trend's phases.
    const QList<tr::test::WireLine> wire = tr::test::readWireLog(simLog);
    if (!options.trendOnly) {
        figures = analyseWindow(plan, window, wire);
        if (!figures.error.isEmpty())
            failures << QStringLiteral("window: ") + figures.error;
    }

    SideBySide tools;
    if (!options.trendOnly) {
        progress(QStringLiteral("side by side, %1 runs each").arg(plan.toolRuns));
        tools = runSideBySide(options.cli, options.mbpoll, sim.ptyPath(), plan.toolRuns, simLog);
        for (const ToolFigures *t : {&tools.ours, &tools.mbpoll}) {
            if (!t->error.isEmpty())
                failures << t->name + QStringLiteral(": ") + t->error;
        }
    }

    Report report;
    if (!options.trendOnly) {
        reportWindow(report, plan, window, figures);
        reportStartup(report, startup);
        reportMemory(report, plan, window);
        reportTools(report, tools);
    }
    reportTrend(report, plan, window, trend, wire);
    report.detail(
        QStringLiteral("Build type of the measured code: %1.").arg(QStringLiteral(TR_BUILD_TYPE)));
    std::printf("%s", report.text(plan.smoke).toUtf8().constData());

    // One table of the window's answers and then the trend's.
    std::vector<Transaction> answered = window.transactions;
    answered.insert(answered.end(), trend.transactions.begin(), trend.transactions.end());
    if (!options.csv.isEmpty() &&
        !writeFile(options.csv, answerTable(matchAnswers(answered, wire))))
        failures << QStringLiteral("cannot write ") + options.csv;
    if (!options.simLogCopy.isEmpty()) {
        QFile::remove(options.simLogCopy);
        QFile::copy(simLog, options.simLogCopy);
    }
    for (const QString &f : failures)
        std::fprintf(stderr, "tr6400-bench: phase failed: %s\n", qPrintable(f));
    return failures.isEmpty() ? 0 : 1;
}
