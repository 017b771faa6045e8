#include "bench/findings.h"

#include "bench/procstats.h"

namespace tr::bench {

namespace {

QString ms(double value) {
    return fixed(value, 2, QStringLiteral("ms"));
}
QString mib(double kb) {
    return fixed(kb / 1024.0, 1, QStringLiteral("MiB"));
}
QString spread(const Summary &s) {
    return QStringLiteral("median %1, p99 %2, worst %3 ms")
        .arg(fixed(s.median, 2), fixed(s.p99, 2), fixed(s.worst, 2));
}

} // namespace

void reportWindow(Report &r, const Plan &plan, const WindowRun &run, const WindowFigures &f) {
    const bool have = f.latencyMs.count > 0;
    const auto when = [have](bool met) { return have ? std::optional<bool>(met) : std::nullopt; };
    const QString answers = QStringLiteral("%1 answers").arg(f.latencyMs.count);

    const QString lat = QStringLiteral("Last answer byte → value box text (%1): ").arg(answers);
    r.info(QStringLiteral("1"), lat + QStringLiteral("median"), ms(f.latencyMs.median));
    r.target(QStringLiteral("1"), lat + QStringLiteral("p99"), ms(f.latencyMs.p99),
             QStringLiteral("≤ 1 ms"), when(f.latencyMs.p99 <= 1.0));
    r.info(QStringLiteral("1"), lat + QStringLiteral("worst"), ms(f.latencyMs.worst));

    const QString tr = QStringLiteral("frameSent → measurementDecoded / wire %1 ms (N = %2): ")
                           .arg(fixed(f.wireMs, 2))
                           .arg(plan.channels);
    r.target(QStringLiteral("2"), tr + QStringLiteral("median"), fixed(f.ratio.median, 3),
             QStringLiteral("≤ 1.10"), when(f.ratio.median <= 1.10));
    r.target(QStringLiteral("2"), tr + QStringLiteral("p99"), fixed(f.ratio.p99, 3),
             QStringLiteral("≤ 1.10"), when(f.ratio.p99 <= 1.10));

    const bool ran = f.error.isEmpty() || f.answers > 0;
    const auto ranWhen = [ran](bool met) { return ran ? std::optional<bool>(met) : std::nullopt; };
    r.target(QStringLiteral("3"),
             QStringLiteral("CPU, cyclic acquisition at %1 ms, %2 s")
                 .arg(plan.slowPeriodMs)
                 .arg(double(run.windowWallMicros) / 1e6, 0, 'f', 0),
             fixed(f.acquiringCpuPercent, 3, QStringLiteral("%")), QStringLiteral("≤ 0.5 %"),
             ranWhen(f.acquiringCpuPercent <= 0.5));
    r.target(QStringLiteral("3"),
             QStringLiteral("CPU, idle with the port open, %1 s")
                 .arg(double(run.idleWallMicros) / 1e6, 0, 'f', 0),
             fixed(f.idleCpuPercent, 3, QStringLiteral("%")), QStringLiteral("≤ 0.1 %"),
             ranWhen(f.idleCpuPercent <= 0.1));

    for (const PeriodFigures *p : {&f.slow, &f.fast}) {
        const QString what =
            QStringLiteral("Timer1 at %1 ms, %2 s: ").arg(p->periodMs).arg(p->windowMs / 1000);
        const bool any = p->counted > 0;
        r.target(QStringLiteral("4"), what + QStringLiteral("interval deviation median / worst"),
                 QStringLiteral("%1 / %2 ms")
                     .arg(fixed(p->deviationMs.median, 2), fixed(p->deviationMs.worst, 2)),
                 QStringLiteral("worst ≤ 5 ms"),
                 any ? std::optional<bool>(p->deviationMs.worst <= 5.0) : std::nullopt);
        r.target(QStringLiteral("4"), what + QStringLiteral("requests counted / expected"),
                 QStringLiteral("%1 / %2").arg(p->counted).arg(p->expected),
                 QStringLiteral("drift 0"),
                 any ? std::optional<bool>(p->counted == p->expected) : std::nullopt);
    }

    r.detail(QStringLiteral("1: last answer byte → answer taken off the port: %1; → value box "
                            "paint event: %2.")
                 .arg(spread(f.takeMs), spread(f.paintMs)));
    r.detail(QStringLiteral("2: transaction %1. Split: frameSent → simulator has read the request "
                            "%2; simulator request read → last answer byte written %3 (the "
                            "simulator plays the request's 8 bytes, the turnaround and the "
                            "answer's bytes); last answer byte → decoded %4.")
                 .arg(spread(f.transactionMs), spread(f.deliveryMs), spread(f.simMs),
                      spread(f.returnMs)));
    const auto tail = [&](const char *item, const QString &what, const TailFigures &t) {
        if (t.count == 0)
            return;
        r.detail(
            QStringLiteral("%1: %2 of %3 answers %4, by median %5 ms (worst %6 ms). Run-queue "
                           "wait since the previous answer (runnable, no CPU), median / worst: "
                           "this window %7 / %8 ms, simulator %9 / %10 ms; the other "
                           "answers: window %11 / %12 ms, simulator %13 / %14 ms.")
                .arg(QLatin1String(item))
                .arg(t.count)
                .arg(f.latencyMs.count)
                .arg(what, fixed(t.excessMs.median, 2), fixed(t.excessMs.worst, 2),
                     fixed(t.ownRunDelayMs.median, 2), fixed(t.ownRunDelayMs.worst, 2),
                     fixed(t.simRunDelayMs.median, 2))
                .arg(fixed(t.simRunDelayMs.worst, 2), fixed(t.ownRunDelayRestMs.median, 2),
                     fixed(t.ownRunDelayRestMs.worst, 2), fixed(t.simRunDelayRestMs.median, 2),
                     fixed(t.simRunDelayRestMs.worst, 2)));
    };
    tail("1", QStringLiteral("took over 1 ms"), f.latencyTail);
    tail("2", QStringLiteral("took over 1.10 × the wire time"), f.ratioTail);
    r.detail(QStringLiteral("3: %1 µs of CPU per request at %2 ms; %3 % over the whole %4 s "
                            "phase at %2 ms.")
                 .arg(f.cpuMicrosPerRequest, 0, 'f', 0)
                 .arg(plan.slowPeriodMs)
                 .arg(f.slowCpuPercent, 0, 'f', 3)
                 .arg(double(run.slowWallMicros) / 1e6, 0, 'f', 0));
    r.detail(QStringLiteral("4: last request against first + (n − 1) periods: %1 ms at %2 ms, "
                            "%3 ms at %4 ms.")
                 .arg(fixed(f.slow.endSlipMs, 2))
                 .arg(f.slow.periodMs)
                 .arg(fixed(f.fast.endSlipMs, 2))
                 .arg(f.fast.periodMs));
    r.detail(QStringLiteral("Window: %1 answers decoded, %2 without a matching simulator TX line; "
                            "load average at the phase boundaries: %3.")
                 .arg(f.answers)
                 .arg(f.unmatched)
                 .arg(run.loads.join(QStringLiteral(" | "))));
}

void reportTrend(Report &r, const Plan &plan, const WindowRun &window, const TrendRun &t,
                 const QList<tr::test::WireLine> &log) {
    const bool ran = t.error.isEmpty() || t.requests[0] > 0;
    const auto when = [ran](bool met) { return ran ? std::optional<bool>(met) : std::nullopt; };
    const Summary with = answerToBox(t.transactions, 2, log);
    const Summary without = answerToBox(window.transactions, 0, log);
    r.target(QStringLiteral("7"),
             QStringLiteral("Last answer byte → value box text at %1 ms, trend tab in front "
                            "(24 h view of %2 rows), %3 answers: p99")
                 .arg(plan.fastPeriodMs)
                 .arg(t.preloadedRows)
                 .arg(with.count),
             ms(with.p99), QStringLiteral("≤ 1 ms"),
             with.count > 0 ? std::optional<bool>(with.p99 <= 1.0) : std::nullopt);
    r.info(QStringLiteral("7"),
           QStringLiteral("… the same at %1 ms without the tab (item 4's phase), %2 answers: p99")
               .arg(plan.fastPeriodMs)
               .arg(without.count),
           ms(without.p99));
    const char *views[2] = {"10 min view", "24 h view"};
    for (int i = 0; i < 2; ++i) {
        const double percent =
            t.wallMicros[i] > 0 ? 100.0 * double(t.cpuMicros[i]) / double(t.wallMicros[i]) : 0;
        r.target(QStringLiteral("7"),
                 QStringLiteral("CPU, cyclic acquisition at %1 ms, trend tab in front (%2), %3 s")
                     .arg(plan.slowPeriodMs)
                     .arg(QLatin1String(views[i]))
                     .arg(double(t.wallMicros[i]) / 1e6, 0, 'f', 0),
                 fixed(percent, 3, QStringLiteral("%")), QStringLiteral("≤ 0.5 %"),
                 when(percent <= 0.5));
    }
    // Tab 1 and the trend in front by turns: the cost of the tab within one stretch of time.
    const Summary turnTab1 = answerToBox(t.transactions, 5, log);
    const Summary turnTrend = answerToBox(t.transactions, 6, log);
    const auto perTurnRequest = [&](int i) {
        return t.turnRequests[i] > 0 ? double(t.turnCpuMicros[i]) / t.turnRequests[i] : 0.0;
    };
    r.info(QStringLiteral("7"),
           QStringLiteral("At %1 ms, tab 1 / trend (10 min view) in front / a bare window of eight "
                          "line edits, by turns of %2 s (%3 each): CPU per reading (bare: per "
                          "tick)")
               .arg(plan.slowPeriodMs)
               .arg(plan.turnMs / 1000.0, 0, 'f', 0)
               .arg(plan.turns / 3),
           QStringLiteral("%1 / %2 / %3 µs")
               .arg(perTurnRequest(0), 0, 'f', 0)
               .arg(perTurnRequest(1), 0, 'f', 0)
               .arg(perTurnRequest(2), 0, 'f', 0));
    r.info(QStringLiteral("7"),
           QStringLiteral("… the same turns, last answer byte → value box p99 (%1 / %2 answers)")
               .arg(turnTab1.count)
               .arg(turnTrend.count),
           QStringLiteral("%1 / %2").arg(ms(turnTab1.p99), ms(turnTrend.p99)));
    r.info(QStringLiteral("7"),
           QStringLiteral("The machine: touching memory right after writing it / after 1 s "
                          "alone, per 4 KiB (4 MiB; in 2 MiB huge pages)"),
           QStringLiteral("%1 / %2 µs (%3 µs)")
               .arg(t.coldTouch.warm, 0, 'f', 2)
               .arg(t.coldTouch.cold, 0, 'f', 2)
               .arg(t.coldTouch.hugeCold, 0, 'f', 2));
    r.target(QStringLiteral("7"),
             QStringLiteral("Chart redraw, 24 h view, after a reading (%1 runs): median / worst")
                 .arg(t.followDrawMs.count),
             QStringLiteral("%1 / %2").arg(ms(t.followDrawMs.median), ms(t.followDrawMs.worst)),
             QStringLiteral("≤ 16 ms"),
             t.followDrawMs.count > 0 ? std::optional<bool>(t.followDrawMs.worst <= 16)
                                      : std::nullopt);
    r.target(QStringLiteral("7"),
             QStringLiteral("Chart redraw, 24 h view, columns from scratch (%1 runs): median / "
                            "worst")
                 .arg(t.fullDrawMs.count),
             QStringLiteral("%1 / %2").arg(ms(t.fullDrawMs.median), ms(t.fullDrawMs.worst)),
             QStringLiteral("≤ 16 ms"),
             t.fullDrawMs.count > 0 ? std::optional<bool>(t.fullDrawMs.worst <= 16) : std::nullopt);
    r.target(QStringLiteral("7"), QStringLiteral("Peak RSS (VmHWM) with 24 h in the trend"),
             mib(double(t.hwmKb)), QStringLiteral("≤ 60 MiB"),
             t.hwmKb > 0 ? std::optional<bool>(t.hwmKb <= 60 * 1024) : std::nullopt);
    const double fileMb = double(t.fileBytes) / 1e6;
    const bool loaded = t.loadMs > 0 && t.error.isEmpty();
    r.target(QStringLiteral("7"),
             QStringLiteral("Open a %1 MB data file (%2 records) until it is drawn")
                 .arg(fileMb, 0, 'f', 0)
                 .arg(t.fileSamples),
             ms(t.loadMs), QStringLiteral("≤ 2 s (Release)"),
             loaded ? std::optional<bool>(t.loadMs <= 2000) : std::nullopt);
    r.target(QStringLiteral("7"),
             QStringLiteral("… the longest the window did not answer meanwhile"),
             ms(t.longestGapMs), QStringLiteral("≤ 100 ms"),
             loaded ? std::optional<bool>(t.longestGapMs <= 100) : std::nullopt);
    const auto perRequest = [&](int i) {
        return t.requests[i] > 0 ? double(t.cpuMicros[i]) / t.requests[i] : 0.0;
    };
    r.detail(QStringLiteral("7: CPU per request at %1 ms with the trend in front: %2 µs (10 min "
                            "view), %3 µs (24 h view); the 24 h view draws %4 points over %5 "
                            "pixel columns; without the tab p99 %6 and median %7, with it median "
                            "%8; VmRSS %9 with the day loaded; load average at the phase "
                            "boundaries: %10.")
                 .arg(plan.slowPeriodMs)
                 .arg(perRequest(0), 0, 'f', 0)
                 .arg(perRequest(1), 0, 'f', 0)
                 .arg(t.pointsDrawn)
                 .arg(t.plotWidth)
                 .arg(ms(without.p99), ms(without.median), ms(with.median), mib(double(t.rssKb)),
                      t.loads.join(QStringLiteral(" | "))));
}

void reportStartup(Report &r, const StartupFigures &s) {
    const bool have = s.error.isEmpty() && s.runs > 0;
    r.target(
        QStringLiteral("5"),
        QStringLiteral("Process start → window exposed (tr6400-startup, median of %1)").arg(s.runs),
        ms(s.exposedMs.median), QStringLiteral("≤ 300 ms"),
        have ? std::optional<bool>(s.exposedMs.median <= 300) : std::nullopt);
    if (!have)
        return;
    r.detail(QStringLiteral("5: start-up medians since the parent's spawn: main() entered %1, "
                            "QApplication %2, frmMain built %3, Form_Load done %4, exposed %5, "
                            "first paint %6, back in the loop %7 (worst exposed %8); peak RSS "
                            "then %9.")
                 .arg(ms(s.enteredMs.median), ms(s.appMs.median), ms(s.builtMs.median),
                      ms(s.loadedMs.median), ms(s.exposedMs.median), ms(s.paintedMs.median),
                      ms(s.settledMs.median), ms(s.exposedMs.worst), mib(s.hwmKb.median)));
}

void reportMemory(Report &r, const Plan &plan, const WindowRun &run) {
    const double minutes = double(plan.fastMs + plan.slowMs) / 60000.0;
    const bool mem = run.hwmLateKb > 0;
    r.target(QStringLiteral("5"),
             QStringLiteral("Peak RSS (VmHWM) after %1 min of acquisition").arg(minutes, 0, 'f', 1),
             mib(double(run.hwmLateKb)), QStringLiteral("≤ 60 MiB"),
             mem ? std::optional<bool>(run.hwmLateKb <= 60 * 1024) : std::nullopt);
    r.target(QStringLiteral("5"),
             QStringLiteral("VmHWM growth, %1 min → %2 min")
                 .arg(double(plan.fastMs) / 60000.0, 0, 'f', 1)
                 .arg(minutes, 0, 'f', 1),
             mib(double(run.hwmLateKb - run.hwmEarlyKb)), QStringLiteral("≤ 1 MiB"),
             mem ? std::optional<bool>(run.hwmLateKb - run.hwmEarlyKb <= 1024) : std::nullopt);

    r.detail(QStringLiteral("5: VmHWM %1 → %2, VmRSS %3 → %4 (after %5 min → after %6 min).")
                 .arg(mib(double(run.hwmEarlyKb)), mib(double(run.hwmLateKb)),
                      mib(double(run.rssEarlyKb)), mib(double(run.rssLateKb)))
                 .arg(double(plan.fastMs) / 60000.0, 0, 'f', 1)
                 .arg(minutes, 0, 'f', 1));
}

void reportTools(Report &r, const SideBySide &s) {
    const ToolFigures &a = s.ours;
    const ToolFigures &b = s.mbpoll;
    const bool have = a.runs > 0 && b.runs > 0 && a.error.isEmpty() && b.error.isEmpty();
    const double ratio = have ? a.wallMs.median / b.wallMs.median : 0;
    r.target(QStringLiteral("6"),
             QStringLiteral("Per transaction, %1 separate invocations each, median wall: "
                            "tr6400-cli / mbpoll")
                 .arg(std::max(a.runs, b.runs)),
             QStringLiteral("%1 / %2 = %3")
                 .arg(ms(a.wallMs.median), ms(b.wallMs.median), fixed(ratio, 2)),
             QStringLiteral("≤ 1.00"), have ? std::optional<bool>(ratio <= 1.0) : std::nullopt);
    for (const ToolFigures *t : {&a, &b}) {
        if (!t->unavailable.isEmpty()) {
            r.detail(QStringLiteral("6: %1 not available: %2.").arg(t->name, t->unavailable));
            continue;
        }
        r.detail(QStringLiteral("6: `%1`: mean %2; spawn → simulator has the request %3; "
                                "simulator request → answer %4; last answer byte → process "
                                "ended %5.")
                     .arg(t->commandLine, ms(t->meanMs), spread(t->toRequestMs), spread(t->simMs),
                          spread(t->afterMs)));
    }
}

} // namespace tr::bench
