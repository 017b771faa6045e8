#include "bench/procstats.h"

#include "monitor/pagedring.h"

#include <QFile>
#include <QList>
#include <QThread>
#include <chrono>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace tr::bench {

qint64 cpuMicros() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto micros = [](const timeval &t) { return qint64(t.tv_sec) * 1000000 + t.tv_usec; };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

std::optional<qint64> statusKb(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (!line.startsWith(prefix))
            continue;
        // "VmHWM:     41236 kB"
        const QList<QByteArray> parts = line.mid(prefix.size()).simplified().split(' ');
        bool ok = false;
        const qint64 kb = parts.value(0).toLongLong(&ok);
        if (ok)
            return kb;
    }
    return std::nullopt;
}

std::optional<qint64> runDelayMicros(const QString &schedstatPath) {
    QFile file(schedstatPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // "<ns on the CPU> <ns waiting on a run queue> <timeslices>"
    const QList<QByteArray> fields = file.readAll().simplified().split(' ');
    bool ok = false;
    const qint64 ns = fields.value(1).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ns / 1000;
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> parts = file.readAll().simplified().split(' ');
    return QString::fromLatin1(parts.mid(0, 3).join(' '));
}

namespace {

double touchMicrosPerPage(const volatile unsigned char *bytes, std::size_t size) {
    constexpr std::size_t kPage = 4096;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < size; i += kPage)
        static_cast<void>(bytes[i]); // a volatile read is made, used or not
    const auto took = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::micro>(took).count() / double(size / kPage);
}

} // namespace

ColdTouch coldTouch(int idleMs) {
    constexpr std::size_t kBytes = std::size_t(4) << 20;
    // Ordinary pages: memory of its own, apart from the heap.
    std::vector<unsigned char> plain(kBytes, 1);
    tr::PagedMemory huge(kBytes, tr::PagedMemory::kPieceBytes);
    std::memset(huge.data(), 1, kBytes);
    ColdTouch t;
    t.warm = touchMicrosPerPage(plain.data(), kBytes);
    QThread::msleep(static_cast<unsigned long>(idleMs));
    t.cold = touchMicrosPerPage(plain.data(), kBytes);
    t.hugeCold = touchMicrosPerPage(huge.data(), kBytes);
    return t;
}

} // namespace tr::bench
