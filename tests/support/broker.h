#pragma once

#include "support/files.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <netinet/in.h>
#include <unistd.h>

inline const QString kBroker =
    QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/bin"});

// mosquitto at a free port, persistent so that a subscriber's session outlives a restart; as
// root it stays root, to reach the test's folders.
struct Broker {
    QTemporaryDir dir;
    int port = 0;
    QProcess process;
    explicit Broker(const QByteArray &extra) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr *>(&a), size);
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size);
        ::close(fd);
        port = ntohs(a.sin_port);
        tr::test::writeFile(
            dir.filePath("m.conf"),
            "listener " + QByteArray::number(port) +
                " 127.0.0.1\nlog_dest stderr\npersistence true\npersistence_location " +
                dir.path().toUtf8() + "/\n" + (::geteuid() ? "" : "user root\n") + extra);
    }
    bool start() {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(kBroker, {"-c", dir.filePath("m.conf")});
        QByteArray log;
        const QDeadlineTimer deadline(5000);
        while (!log.contains(" running") && process.waitForReadyRead(int(deadline.remainingTime())))
            log += process.readAll();
        return log.contains(" running");
    }
    void stop() {
        process.terminate();
        process.waitForFinished(5000);
    }
    ~Broker() { stop(); }
};

// mosquitto_sub on `filter` (a/b/#) with a persistent session, so that what comes while it
// reconnects waits for it; ready once a probe published to a/b/probe came through.
struct Subscriber {
    QProcess process;
    bool start(int port, const QString &filter) {
        const QString p = QString::number(port);
        process.start("mosquitto_sub",
                      {"-h", "127.0.0.1", "-p", p, "-t", filter, "-q", "1", "-c", "-i", "trsub"});
        QByteArray got;
        for (const QDeadlineTimer ready(5000); !got.contains("probe") && !ready.hasExpired();
             got += process.readAllStandardOutput()) {
            QProcess::execute("mosquitto_pub",
                              {"-h", "127.0.0.1", "-p", p, "-t", filter.chopped(1) + "probe", "-q",
                               "1", "-m", "probe"});
            process.waitForReadyRead(200);
        }
        return got.contains("probe");
    }
};
