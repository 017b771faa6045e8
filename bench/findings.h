#pragma once

#include "bench/plan.h"
#include "bench/report.h"
#include "bench/startuprun.h"
#include "bench/toolrun.h"
#include "bench/trendrun.h"
#include "bench/windowrun.h"
#include "support/wirelog.h"

#include <QList>

namespace tr::bench {

// The report's rows and sentences: what each phase's figures say against its target.
void reportWindow(Report &r, const Plan &plan, const WindowRun &run, const WindowFigures &f);
void reportTrend(Report &r, const Plan &plan, const WindowRun &window, const TrendRun &t,
                 const QList<tr::test::WireLine> &log);
void reportStartup(Report &r, const StartupFigures &s);
void reportMemory(Report &r, const Plan &plan, const WindowRun &run);
void reportTools(Report &r, const SideBySide &s);

} // namespace tr::bench
