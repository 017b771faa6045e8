#include "bench/trendrun.h"
#include "bench/windowrun.h"

#include "app/frmmain.h"
#include "bench/procstats.h"
#include "domain/datafile.h"
#include "modbus/clock.h"
#include "monitor/wallclock.h"
#include "panels/acquisitionpanel.h"
#include "panels/trendchart.h"
#include "panels/trendpanel.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace tr::bench {

namespace {

constexpr qint64 kDayMs = 24LL * 3600 * 1000;

// A day of readings every `periodMs` up to now: slow waves a few degrees wide, a different one
// per channel, channel 6 open for an hour, an unanswered request now and then.
qint64 preload(SampleStore &store, int periodMs) {
    const qint64 now = wallMsNow();
    qint64 rows = 0;
    for (qint64 t = now - kDayMs + periodMs; t < now; t += periodMs, ++rows) {
        if (rows % 997 == 0) {
            store.addGap(t);
            continue;
        }
        ChannelValues v;
        for (int c = 0; c < kChannels; ++c) {
            const double phase = double(t % kDayMs) / double(kDayMs) * 6.283 * (c + 1);
            v[std::size_t(c)] = 200 + 10 * c + int(30 * std::sin(phase)) + int(rows % 5);
        }
        if (t % kDayMs < 3600 * 1000)
            v[5].reset();
        store.add(t, v);
    }
    return rows;
}

// Window records of one reading a second until the file has `bytes` bytes.
qint64 writeDataFile(const QString &path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    QDateTime when = QDateTime::currentDateTime().addDays(-14);
    qint64 written = 0;
    qint64 records = 0;
    QByteArray chunk;
    while (written < bytes) {
        QString line;
        for (int c = 1; c <= kChannels; ++c) {
            const int tenths = 200 + c * 13 + int(records % 41) - 20;
            line += QStringLiteral("%1#:%2.%30 ").arg(c).arg(tenths / 10).arg(tenths % 10);
        }
        chunk += dataRecord(when, line);
        when = when.addSecs(1);
        ++records;
        if (chunk.size() > (1 << 20) || written + chunk.size() >= bytes) {
            if (file.write(chunk) != chunk.size())
                return -1;
            written += chunk.size();
            chunk.clear();
        }
    }
    return records;
}

// The longest time the event loop was away, seen by a timer asking to run every millisecond.
class GapWatch : public QObject {
public:
    GapWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = monotonicMicros();
            if (last_ != 0)
                longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
        timer_.start(1);
    }
    double longestMs() const { return double(longest_) / 1000.0; }

private:
    QTimer timer_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

template <typename Step> Summary timeDrawing(TrendPanel &trend, int runs, Step before) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        before();
        // Let everything else settle first, then time the drawing and the paint it causes.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        const qint64 start = monotonicMicros();
        trend.refresh();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 100);
        ms.push_back(double(monotonicMicros() - start) / 1000.0);
    }
    return summarize(ms);
}

// Eight line edits in a window of their own, given new text at every tick of a timer, the
// value boxes' way: the floor under what a reading costs the window.
class BareWindow {
public:
    explicit BareWindow(int periodMs) {
        for (int i = 0; i < kChannels; ++i) {
            boxes_[i] = new QLineEdit(&window_);
            boxes_[i]->setReadOnly(true);
            boxes_[i]->setFocusPolicy(Qt::NoFocus);
            boxes_[i]->setGeometry(10 + i % 4 * 170, 10 + i / 4 * 40, 160, 30);
        }
        window_.resize(690, 120);
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(periodMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            ++ticks_;
            for (int i = 0; i < kChannels; ++i)
                boxes_[i]->setText(QString::number(20.0 + (ticks_ * 7 + i) % 97 / 10.0, 'f', 1));
        });
    }
    void start() {
        window_.show();
        timer_.start();
    }
    void stop() {
        timer_.stop();
        window_.hide();
    }
    int ticks() const { return ticks_; }

private:
    QWidget window_;
    QLineEdit *boxes_[kChannels] = {};
    QTimer timer_;
    int ticks_ = 0;
};

} // namespace

Summary answerToBox(const std::vector<Transaction> &transactions, int phase,
                    const QList<test::WireLine> &log) {
    std::vector<Transaction> ofPhase;
    std::copy_if(transactions.begin(), transactions.end(), std::back_inserter(ofPhase),
                 [phase](const Transaction &t) { return t.phase == phase; });
    std::vector<double> latency;
    for (const MatchedAnswer &m : matchAnswers(ofPhase, log)) {
        if (m.answer)
            latency.push_back(double(m.t->boxAt - m.answer->micros) / 1000.0);
    }
    return summarize(latency);
}

TrendRun runTrendPhases(const Plan &plan, const QString &programDir, qint64 simPid) {
    TrendRun run;
    run.coldTouch = coldTouch(1000);
    test::ScriptedMessages messages;
    test::ScriptedFiles files;
    frmMain window(ToolDirs::portable(programDir), messages, files);
    WindowProbe probe(window, simPid);
    if (const std::optional<QString> failure = window.loadSettings()) {
        run.error = QStringLiteral("loadSettings: ") + *failure;
        return run;
    }
    askForMeasurements(window, plan.channels);
    TrendPanel &trend = window.trend();
    run.preloadedRows = preload(trend.liveStore(), plan.fastPeriodMs);
    tr::test::control<QTabWidget>(window, QStringLiteral("SSTab1"))->setCurrentWidget(&trend);
    window.show();
    trend.setRange(TrendPanel::Range::All);
    runFor(300);

    // The answer path with a day behind the chart.
    run.loads << loadAverage();
    probe.setPhase(2);
    startCyclic(window, plan.fastPeriodMs);
    runFor(plan.trendFastMs);
    window.acquisition().stopCyclic();

    // CPU at the slow period, with the default view and with the day view.
    const TrendPanel::Range ranges[2] = {TrendPanel::Range::TenMinutes, TrendPanel::Range::All};
    for (int i = 0; i < 2; ++i) {
        trend.setRange(ranges[i]);
        run.loads << loadAverage();
        probe.setPhase(3 + i);
        const qint64 cpu = cpuMicros();
        const qint64 wall = monotonicMicros();
        startCyclic(window, plan.slowPeriodMs);
        runFor(plan.trendSlowMs);
        window.acquisition().stopCyclic();
        run.cpuMicros[i] = cpuMicros() - cpu;
        run.wallMicros[i] = monotonicMicros() - wall;
        run.requests[i] =
            int(std::count_if(probe.transactions.begin(), probe.transactions.end(),
                              [i](const Transaction &t) { return t.phase == 3 + i; }));
    }
    run.hwmKb = statusKb("VmHWM").value_or(-1);
    run.rssKb = statusKb("VmRSS").value_or(-1);

    // The day view after a reading, and drawn from scratch (another range, a resize, a zoom).
    trend.setRange(TrendPanel::Range::All);
    run.followDrawMs = timeDrawing(trend, plan.drawRuns, [&] {
        ChannelValues v;
        v.fill(215);
        trend.liveStore().add(wallMsNow(), v);
    });
    run.fullDrawMs = timeDrawing(trend, plan.drawRuns, [&] { trend.forgetColumns(); });
    run.pointsDrawn = trend.chart().traceItem().pointsDrawn();
    run.plotWidth = trend.chart().plotWidth();
    run.loads << loadAverage();

    // The slow period with tab 1 and the trend in front by turns, and the bare window with the
    // acquisition stopped (after the drawing, whose first run from scratch meets the day's
    // summaries untouched for minutes, as a user switching to the day view would); each turn is
    // measured from its second second on, after the switch has been drawn.
    trend.setRange(TrendPanel::Range::TenMinutes);
    auto *tabs = tr::test::control<QTabWidget>(window, QStringLiteral("SSTab1"));
    BareWindow bare(plan.slowPeriodMs);
    for (int k = 0; k < plan.turns; ++k) {
        const int which = k % 3;
        if (which == 0) {
            tabs->setCurrentIndex(0);
            startCyclic(window, plan.slowPeriodMs);
        } else if (which == 1) {
            tabs->setCurrentWidget(&trend);
        } else {
            window.acquisition().stopCyclic();
            bare.start();
        }
        probe.setPhase(5 + which);
        runFor(1000);
        const auto counted = [&] {
            if (which == 2)
                return bare.ticks();
            return int(
                std::count_if(probe.transactions.begin(), probe.transactions.end(),
                              [which](const Transaction &t) { return t.phase == 5 + which; }));
        };
        const int countedBefore = counted();
        const qint64 cpu = cpuMicros();
        runFor(plan.turnMs - 1000);
        run.turnCpuMicros[which] += cpuMicros() - cpu;
        run.turnRequests[which] += counted() - countedBefore;
        if (which == 2)
            bare.stop();
    }
    window.acquisition().stopCyclic();
    tabs->setCurrentWidget(&trend);
    run.transactions = probe.transactions;

    // A large data file, opened as the operator would.
    const QString path = programDir + QStringLiteral("/large-data.txt");
    run.fileSamples = writeDataFile(path, plan.loadFileBytes);
    run.fileBytes = QFile(path).size();
    files.answers << path;
    {
        GapWatch watch;
        QElapsedTimer took;
        took.start();
        trend.openDataFile();
        while (trend.busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        run.loadMs = double(took.nsecsElapsed()) / 1e6;
        run.longestGapMs = watch.longestMs();
    }
    QFile::remove(path);
    if (!trend.showingFile())
        run.error = QStringLiteral("the data file was not shown: ") + messages.texts();
    else if (!messages.shown.isEmpty())
        run.error = QStringLiteral("the window raised a message: ") + messages.texts();
    run.loads << loadAverage();
    return run;
}

} // namespace tr::bench
