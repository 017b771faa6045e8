// What the MQTT spool costs and how fast a backlog drains: rows appended with every row synced
// (the default), the size of the file per million rows, and a backlog drained to a local
// mosquitto. `build/bench/tr6400-spool-bench [ROWS]` (100,000 rows by default).
#include "cli/mqttpublisher.h"
#include "cli/spool.h"
#include "support/broker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

using tr::cli::MqttPublisher;
using tr::cli::Spool;

namespace {

// A row of eight channels as the logger makes it.
const QByteArray kRow = R"({"ch":[23.5,-10,null,100.1,-0.5,27.7,-20,25],"seq":1234567,)"
                        R"("station":3,"status":"ok","time":"2024-03-05T09:07:05.123+01:00"})";

double perSecond(long long n, const QElapsedTimer &timer) {
    return double(n) * 1e9 / double(std::max<qint64>(1, timer.nsecsElapsed()));
}

std::unique_ptr<Spool> fill(const QString &dir, int syncMs, long long rows, double &rate) {
    std::unique_ptr<Spool> spool = Spool::open({dir, 0, 0, syncMs}).spool;
    QElapsedTimer timer;
    timer.start();
    for (long long seq = 1; spool && seq <= rows; ++seq)
        if (spool->append("plant/line1/3", kRow, 3, seq))
            return nullptr;
    rate = perSecond(rows, timer);
    return spool;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const long long rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000;
    QTemporaryDir dir;
    double synced = 0, unsynced = 0;
    if (!fill(dir.filePath("synced"), 0, 1000, synced))
        return 1;
    std::unique_ptr<Spool> spool = fill(dir.filePath("backlog"), 1000, rows, unsynced);
    if (!spool)
        return 1;
    const double mb = double(QFileInfo(dir.filePath("backlog/spool.db")).size()) / 1e6;
    std::printf("append, every row synced:          %8.0f rows/s\n", synced);
    std::printf("append, synced once a second:      %8.0f rows/s\n", unsynced);
    std::printf("spool file per million rows:       %8.0f MB (%lld bytes of topic and row)\n",
                mb * 1e6 / double(rows), qint64(kRow.size() + 13));

    Broker broker("allow_anonymous true\n");
    if (kBroker.isEmpty() || !broker.start())
        return std::printf("no mosquitto to drain to\n"), 1;
    MqttPublisher publisher({"127.0.0.1", broker.port, "spool-bench", {}, {}, {}}, *spool);
    QElapsedTimer timer;
    timer.start();
    if (publisher.start())
        return 1;
    publisher.drain(600000);
    const MqttPublisher::Counts c = publisher.counts();
    std::printf("drain to mosquitto, QoS 1, %d out: %8.0f rows/s (%lld rows, %lld left)\n",
                MqttPublisher::kInFlight, perSecond(c.delivered, timer), c.delivered, c.backlog);
    return c.backlog == 0 ? 0 : 1;
}
