#include "bench/toolrun.h"

#include "bench/spawn.h"
#include "support/wirelog.h"

#include <QFileInfo>
#include <functional>
#include <numeric>
#include <vector>

namespace tr::bench {

namespace {

struct Tool {
    ToolFigures figures;
    QString program;
    QStringList args;
    std::function<bool(const QByteArray &)> printedValues;
    std::vector<RunResult> results;

    void runOnce() {
        if (!figures.unavailable.isEmpty() || !figures.error.isEmpty())
            return;
        RunResult r = runProgram(program, args, 10000);
        if (!r.ok() || !printedValues(r.out)) {
            figures.error = r.ok() ? QStringLiteral("printed no values: ") +
                                         QString::fromLocal8Bit(r.out.trimmed()).left(200)
                                   : r.describe();
            return;
        }
        results.push_back(std::move(r));
    }

    void summarise(const QList<test::WireLine> &log) {
        std::vector<double> wall, toRequest, sim, after;
        for (const RunResult &r : results) {
            wall.push_back(double(r.wallMicros()) / 1000.0);
            // The request and answer of this run lie within its lifetime.
            const test::WireLine *rx = nullptr;
            const test::WireLine *tx = nullptr;
            for (const test::WireLine &w : log) {
                if (w.micros < r.spawnedAt || w.micros > r.endedAt)
                    continue;
                if (!rx && w.tag == QLatin1String("RX"))
                    rx = &w;
                if (rx && w.tag == QLatin1String("TX"))
                    tx = &w;
            }
            if (rx && tx) {
                toRequest.push_back(double(rx->micros - r.spawnedAt) / 1000.0);
                sim.push_back(double(tx->micros - rx->micros) / 1000.0);
                after.push_back(double(r.endedAt - tx->micros) / 1000.0);
            }
        }
        figures.runs = int(results.size());
        figures.wallMs = summarize(wall);
        if (!wall.empty())
            figures.meanMs = std::accumulate(wall.begin(), wall.end(), 0.0) / double(wall.size());
        figures.toRequestMs = summarize(toRequest);
        figures.simMs = summarize(sim);
        figures.afterMs = summarize(after);
    }
};

QString commandLine(const QString &program, const QStringList &args, const QString &pty) {
    QStringList shown{QFileInfo(program).fileName()};
    for (const QString &a : args)
        shown << (a == pty ? QStringLiteral("<pty>") : a);
    return shown.join(QLatin1Char(' '));
}

} // namespace

SideBySide runSideBySide(const QString &cliPath, const QString &mbpollPath, const QString &pty,
                         int runs, const QString &simLogPath) {
    Tool ours;
    ours.figures.name = QStringLiteral("tr6400-cli read");
    ours.program = cliPath;
    ours.args = {
        QStringLiteral("read"),    QStringLiteral("--port"),     pty,
        QStringLiteral("--baud"),  QStringLiteral("19200"),      QStringLiteral("--station"),
        QStringLiteral("2"),       QStringLiteral("--function"), QStringLiteral("4"),
        QStringLiteral("--start"), QStringLiteral("0"),          QStringLiteral("--count"),
        QStringLiteral("8")};
    // The window's value line: "1#:23.50 2#:-10.00 ... 8#:..."
    ours.printedValues = [](const QByteArray &out) { return out.contains("8#:"); };

    Tool theirs;
    theirs.figures.name = QStringLiteral("mbpoll");
    theirs.program = mbpollPath;
    // -t 3: input registers (function 4); -0 -r 0: register 0 as the protocol numbers it.
    theirs.args = {QStringLiteral("-m"),
                   QStringLiteral("rtu"),
                   QStringLiteral("-a"),
                   QStringLiteral("2"),
                   QStringLiteral("-b"),
                   QStringLiteral("19200"),
                   QStringLiteral("-P"),
                   QStringLiteral("none"),
                   QStringLiteral("-t"),
                   QStringLiteral("3"),
                   QStringLiteral("-0"),
                   QStringLiteral("-r"),
                   QStringLiteral("0"),
                   QStringLiteral("-c"),
                   QStringLiteral("8"),
                   QStringLiteral("-1"),
                   pty};
    theirs.printedValues = [](const QByteArray &out) { return out.contains("[7]:"); };

    for (Tool *t : {&ours, &theirs}) {
        t->figures.commandLine = commandLine(t->program, t->args, pty);
        if (t->program.isEmpty() || !QFileInfo(t->program).isExecutable())
            t->figures.unavailable = t->program.isEmpty()
                                         ? QStringLiteral("not installed")
                                         : t->program + QStringLiteral(" is not built");
    }
    for (int i = 0; i < runs; ++i) {
        ours.runOnce();
        theirs.runOnce();
    }
    const QList<test::WireLine> log = test::readWireLog(simLogPath);
    ours.summarise(log);
    theirs.summarise(log);
    return {ours.figures, theirs.figures};
}

} // namespace tr::bench
