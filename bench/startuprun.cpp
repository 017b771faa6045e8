#include "bench/startuprun.h"

#include "bench/spawn.h"
#include "modbus/clock.h"

#include <QFileInfo>
#include <QList>
#include <map>
#include <vector>

namespace tr::bench {

StartupFigures runStartups(const QString &program, const QString &programDir, int runs) {
    StartupFigures f;
    if (!QFileInfo(program).isExecutable()) {
        f.error = program + QStringLiteral(" is missing");
        return f;
    }
    std::map<QByteArray, std::vector<double>> samples;
    for (int i = 0; i < runs; ++i) {
        const qint64 stamp = monotonicMicros();
        const RunResult r = runProgram(program, {QString::number(stamp), programDir}, 20000);
        if (!r.ok()) {
            f.error = QStringLiteral("tr6400-startup ") + r.describe();
            return f;
        }
        std::map<QByteArray, double> line;
        for (const QByteArray &pair : r.out.trimmed().split(' ')) {
            const QList<QByteArray> kv = pair.split('=');
            if (kv.size() == 2)
                line[kv[0]] = kv[1].toDouble();
        }
        if (!line.contains("exposed") || line["port_open"] != 1) {
            f.error = QStringLiteral("tr6400-startup did not open COM4 or printed no times: ") +
                      QString::fromLocal8Bit(r.out.trimmed());
            return f;
        }
        for (const auto &[key, value] : line)
            samples[key].push_back(value);
        ++f.runs;
    }
    const auto ms = [&](const char *key) {
        std::vector<double> v = samples[key];
        for (double &x : v)
            x /= 1000.0;
        return summarize(v);
    };
    f.enteredMs = ms("entered");
    f.appMs = ms("app");
    f.builtMs = ms("built");
    f.loadedMs = ms("loaded");
    f.exposedMs = ms("exposed");
    f.paintedMs = ms("painted");
    f.settledMs = ms("settled");
    f.hwmKb = summarize(samples["hwm_kb"]);
    return f;
}

} // namespace tr::bench
