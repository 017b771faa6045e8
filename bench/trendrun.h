#pragma once

#include "bench/plan.h"
#include "bench/probe.h"
#include "bench/procstats.h"
#include "bench/stats.h"
#include "support/wirelog.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tr::bench {

// The window with the trend tab in front and a day of samples in its store: cyclic acquisition
// at the fast period with the 24 h view, then at the slow period with the default 10 min view
// and with the 24 h view; the 24 h view drawn on demand; then a large data file opened.
struct TrendRun {
    QString error;
    // Phase 2: fast period; 3, 4: slow period; 5, 6: slow period with tab 1, the trend in front
    // (7, the bare window's turns, has none).
    std::vector<Transaction> transactions;
    qint64 preloadedRows = 0;
    qint64 cpuMicros[2] = {0, 0}; // slow period: 10 min view, 24 h view
    qint64 wallMicros[2] = {0, 0};
    int requests[2] = {0, 0};
    // Tab 1 and the trend (10 min view) in front by turns, and a bare window, so that the
    // machine's drift falls on all three alike: [0] tab 1, [1] the trend (requests counted),
    // [2] the bare window: eight line edits given new text once a period, the acquisition
    // stopped (ticks counted). The bare window is the least any window showing eight values
    // costs on the machine at the time.
    qint64 turnCpuMicros[3] = {0, 0, 0};
    int turnRequests[3] = {0, 0, 0};
    Summary fullDrawMs;   // 24 h view, columns summarised from scratch, painted
    Summary followDrawMs; // 24 h view after one more reading, painted
    qsizetype pointsDrawn = 0;
    int plotWidth = 0;
    qint64 hwmKb = 0, rssKb = 0; // after the acquisition, before the file
    qint64 fileBytes = 0, fileSamples = 0;
    double loadMs = 0;       // "打开数据文件" until the chart shows the file
    double longestGapMs = 0; // the longest the window's event loop was away meanwhile
    QStringList loads;
    ColdTouch coldTouch; // before the window is built, 1 s alone
};

TrendRun runTrendPhases(const Plan &plan, const QString &programDir, qint64 simPid);

// Last answer byte -> value box text of the answers of `phase`, paired with the simulator's
// TX lines by their bytes.
Summary answerToBox(const std::vector<Transaction> &transactions, int phase,
                    const QList<test::WireLine> &log);

} // namespace tr::bench
