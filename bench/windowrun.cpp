#include "bench/windowrun.h"

#include "app/frmmain.h"
#include "bench/procstats.h"
#include "modbus/clock.h"
#include "panels/acquisitionpanel.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace tr::bench {

namespace {

PeriodFigures periodFigures(const std::vector<Transaction> &all, int phase, qint64 startedAt,
                            int periodMs, qint64 windowMs) {
    PeriodFigures f;
    f.periodMs = periodMs;
    f.windowMs = windowMs;
    f.expected = int(windowMs / periodMs);
    // Half a period of grace at the end: the last expected request is due at the window's end.
    const qint64 end = startedAt + windowMs * 1000 + periodMs * 500;
    std::vector<qint64> stamps;
    for (const Transaction &t : all) {
        if (t.phase == phase && t.sentAt >= startedAt && t.sentAt < end)
            stamps.push_back(t.sentAt);
    }
    f.counted = int(stamps.size());
    std::vector<double> deviations;
    qint64 previous = startedAt;
    for (qint64 s : stamps) {
        deviations.push_back(std::abs(double(s - previous) / 1000.0 - periodMs));
        previous = s;
    }
    f.deviationMs = summarize(deviations);
    if (stamps.size() > 1)
        f.endSlipMs =
            double(stamps.back() - stamps.front()) / 1000.0 - double(stamps.size() - 1) * periodMs;
    return f;
}

struct Sample {
    const Transaction *t;
    double latencyMs;
    double ratio;
    double transactionMs;
};

// inTail picks the answers beyond the target; excess says by how much, in milliseconds.
template <typename InTail, typename Excess>
TailFigures tailFigures(const std::vector<Sample> &samples, InTail inTail, Excess excess) {
    TailFigures f;
    std::vector<double> over, own, sim, ownRest, simRest;
    for (const Sample &s : samples) {
        const bool tail = inTail(s);
        if (tail) {
            ++f.count;
            over.push_back(excess(s));
        }
        if (s.t->ownRunDelay >= 0)
            (tail ? own : ownRest).push_back(double(s.t->ownRunDelay) / 1000.0);
        if (s.t->simRunDelay >= 0)
            (tail ? sim : simRest).push_back(double(s.t->simRunDelay) / 1000.0);
    }
    f.excessMs = summarize(over);
    f.ownRunDelayMs = summarize(own);
    f.simRunDelayMs = summarize(sim);
    f.ownRunDelayRestMs = summarize(ownRest);
    f.simRunDelayRestMs = summarize(simRest);
    return f;
}

double percentOf(qint64 cpu, qint64 wall) {
    return wall > 0 ? 100.0 * double(cpu) / double(wall) : 0;
}

} // namespace

// Lets the window run for ms milliseconds. A request in progress finishes first: its 200 ms
// wait is a nested loop inside the timer tick, and this loop ends only when that returns.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void askForMeasurements(frmMain &window, int channels) {
    const test::WindowControls ui(window);
    ui.txtStationID->setText(QStringLiteral("2"));
    ui.txtFunID->setText(QStringLiteral("4"));
    ui.txtStartID->setText(QStringLiteral("0"));
    ui.txtDataLength->setText(QString::number(channels));
    ui.CheckSave->setChecked(false);
}

void startCyclic(frmMain &window, int periodMs) {
    test::control<QLineEdit>(window, QStringLiteral("txtTimerSet_0"))
        ->setText(QString::number(periodMs));
    window.acquisition().startCyclic();
}

WindowRun runWindowPhases(const Plan &plan, const QString &programDir, qint64 simPid) {
    WindowRun run;
    test::ScriptedMessages messages;
    test::ScriptedFiles files;
    messages.onShow = [&] { run.messages << messages.shown.constLast().text; };

    frmMain window(ToolDirs::portable(programDir), messages, files);
    WindowProbe probe(window, simPid);
    if (const std::optional<QString> failure = window.loadSettings()) {
        run.error = QStringLiteral("loadSettings: ") + *failure;
        return run;
    }
    if (!window.port().PortOpen()) {
        run.error = QStringLiteral("the window did not open COM4 (%1)").arg(window.port().device());
        return run;
    }
    askForMeasurements(window, plan.channels);
    window.show();
    runFor(300);

    run.loads << loadAverage();
    qint64 cpu = cpuMicros();
    qint64 wall = monotonicMicros();
    runFor(plan.idleMs);
    run.idleCpuMicros = cpuMicros() - cpu;
    run.idleWallMicros = monotonicMicros() - wall;
    run.loads << loadAverage();

    probe.setPhase(0);
    run.fastStartedAt = monotonicMicros();
    startCyclic(window, plan.fastPeriodMs);
    // Half a period more, so the tick due at the phase's end is not cut off by the stop.
    runFor(plan.fastMs + plan.fastPeriodMs / 2);
    window.acquisition().stopCyclic();
    run.hwmEarlyKb = statusKb("VmHWM").value_or(-1);
    run.rssEarlyKb = statusKb("VmRSS").value_or(-1);
    run.loads << loadAverage();

    probe.setPhase(1);
    cpu = cpuMicros();
    wall = monotonicMicros();
    run.slowStartedAt = wall;
    startCyclic(window, plan.slowPeriodMs);
    runFor(plan.slowWindowMs);
    run.windowCpuMicros = cpuMicros() - cpu;
    run.windowWallMicros = monotonicMicros() - wall;
    run.loads << loadAverage();
    if (plan.slowMs > plan.slowWindowMs)
        runFor(plan.slowMs - plan.slowWindowMs);
    window.acquisition().stopCyclic();
    run.slowCpuMicros = cpuMicros() - cpu;
    run.slowWallMicros = monotonicMicros() - wall;
    run.hwmLateKb = statusKb("VmHWM").value_or(-1);
    run.rssLateKb = statusKb("VmRSS").value_or(-1);
    run.loads << loadAverage();

    run.transactions = probe.transactions;
    const auto decoded = std::count_if(run.transactions.begin(), run.transactions.end(),
                                       [](const Transaction &t) { return t.decodedAt != 0; });
    if (decoded == 0)
        run.error = QStringLiteral("no answer was decoded during cyclic acquisition");
    else if (!run.messages.isEmpty())
        run.error = QStringLiteral("the window raised a message: ") + run.messages.constFirst();
    return run;
}

std::vector<MatchedAnswer> matchAnswers(const std::vector<Transaction> &transactions,
                                        const QList<test::WireLine> &log) {
    std::vector<MatchedAnswer> matched;
    qsizetype rx = 0;
    qsizetype tx = 0;
    for (const Transaction &t : transactions) {
        if (t.decodedAt == 0)
            continue;
        // The next line with the same bytes, no earlier than the request was handed to the port.
        const auto find = [&](qsizetype &from, const char *tag,
                              const QByteArray &bytes) -> const test::WireLine * {
            for (qsizetype i = from; i < log.size(); ++i) {
                const test::WireLine &w = log[i];
                if (w.micros > t.sentAt + 1000000)
                    break;
                if (w.tag == QLatin1String(tag) && w.bytes == bytes && w.micros >= t.sentAt) {
                    from = i + 1;
                    return &w;
                }
            }
            return nullptr;
        };
        const test::WireLine *request = find(rx, "RX", t.request);
        matched.push_back({&t, request, find(tx, "TX", t.answer)});
    }
    return matched;
}

QByteArray answerTable(const std::vector<MatchedAnswer> &answers) {
    QByteArray csv = "phase,sent_us,rx_after_ms,tx_after_ms,received_after_ms,decoded_after_ms,"
                     "box_after_ms,paint_after_ms,own_run_delay_ms,sim_run_delay_ms\n";
    for (const MatchedAnswer &m : answers) {
        if (!m.answer)
            continue;
        const Transaction &t = *m.t;
        const auto after = [&](qint64 at) {
            return at != 0 ? QByteArray::number(double(at - t.sentAt) / 1000.0, 'f', 3)
                           : QByteArray();
        };
        csv += QByteArray::number(t.phase) + ',' + QByteArray::number(t.sentAt) + ',' +
               (m.request ? after(m.request->micros) : QByteArray()) + ',' +
               after(m.answer->micros) + ',' + after(t.receivedAt) + ',' + after(t.decodedAt) +
               ',' + after(t.boxAt) + ',' + after(t.paintAt) + ',' +
               QByteArray::number(double(t.ownRunDelay) / 1000.0, 'f', 3) + ',' +
               QByteArray::number(double(t.simRunDelay) / 1000.0, 'f', 3) + '\n';
    }
    return csv;
}

WindowFigures analyseWindow(const Plan &plan, const WindowRun &run,
                            const QList<test::WireLine> &log) {
    WindowFigures f;
    f.error = run.error;
    const int answerBytes = 2 * plan.channels + 5;
    f.wireMs = double(8 + answerBytes) * 10.0 * 1000.0 / plan.baud + plan.turnaroundMs;

    std::vector<double> latency, take, paint, transaction, ratio, delivery, sim, back;
    std::vector<Sample> samples;
    int slowSamples = 0;
    const auto ms = [](qint64 micros) { return double(micros) / 1000.0; };
    for (const MatchedAnswer &m : matchAnswers(run.transactions, log)) {
        ++f.answers;
        if (!m.answer) {
            ++f.unmatched;
            continue;
        }
        const Transaction &t = *m.t;
        const test::WireLine *request = m.request;
        const test::WireLine *answer = m.answer;
        const bool counted =
            plan.latencySamples == 0 || (t.phase == 1 && slowSamples < plan.latencySamples);
        if (!counted)
            continue;
        if (t.phase == 1)
            ++slowSamples;
        latency.push_back(ms(t.boxAt - answer->micros));
        take.push_back(ms(t.receivedAt - answer->micros));
        if (t.paintAt != 0)
            paint.push_back(ms(t.paintAt - answer->micros));
        transaction.push_back(ms(t.decodedAt - t.sentAt));
        ratio.push_back(ms(t.decodedAt - t.sentAt) / f.wireMs);
        if (request) {
            delivery.push_back(ms(request->micros - t.sentAt));
            sim.push_back(ms(answer->micros - request->micros));
        }
        back.push_back(ms(t.decodedAt - answer->micros));
        samples.push_back({&t, latency.back(), ratio.back(), transaction.back()});
    }
    f.latencyTail = tailFigures(
        samples, [](const Sample &s) { return s.latencyMs > 1.0; },
        [](const Sample &s) { return s.latencyMs - 1.0; });
    const double wireMs = f.wireMs;
    f.ratioTail = tailFigures(
        samples, [](const Sample &s) { return s.ratio > 1.10; },
        [wireMs](const Sample &s) { return s.transactionMs - 1.10 * wireMs; });
    f.latencyMs = summarize(latency);
    f.takeMs = summarize(take);
    f.paintMs = summarize(paint);
    f.transactionMs = summarize(transaction);
    f.ratio = summarize(ratio);
    f.deliveryMs = summarize(delivery);
    f.simMs = summarize(sim);
    f.returnMs = summarize(back);

    f.idleCpuPercent = percentOf(run.idleCpuMicros, run.idleWallMicros);
    f.acquiringCpuPercent = percentOf(run.windowCpuMicros, run.windowWallMicros);
    f.slowCpuPercent = percentOf(run.slowCpuMicros, run.slowWallMicros);

    f.fast = periodFigures(run.transactions, 0, run.fastStartedAt, plan.fastPeriodMs, plan.fastMs);
    f.slow =
        periodFigures(run.transactions, 1, run.slowStartedAt, plan.slowPeriodMs, plan.slowWindowMs);
    if (f.slow.counted > 0)
        f.cpuMicrosPerRequest = double(run.windowCpuMicros) / f.slow.counted;

    if (f.error.isEmpty() && f.answers > 0 && latency.empty())
        f.error = QStringLiteral("no decoded answer matched a TX line of the simulator's log");
    return f;
}

} // namespace tr::bench
