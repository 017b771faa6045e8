#include "cli/mqttsession.h"

#include "cli/console.h"
#include "cli/exitcodes.h"
#include "cli/sampleformat.h"
#include "cli/seriessummary.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

namespace tr::cli {

namespace {

int mqttPort(const CliOptions &o) {
    return o.mqttPort ? o.mqttPort : o.mqttCaFile.isEmpty() ? 1883 : 8883;
}

} // namespace

std::unique_ptr<MqttSession> MqttSession::start(const CliOptions &o, int &exitCode) {
    if (o.mqttHost.isEmpty())
        return nullptr;
    MqttPublisher::Settings settings;
    settings.host = o.mqttHost;
    settings.port = mqttPort(o);
    settings.clientId = o.mqttClientId.isEmpty() ? QStringLiteral("tr6400-cli-%1-%2")
                                                       .arg(QSysInfo::machineHostName())
                                                       .arg(QCoreApplication::applicationPid())
                                                 : o.mqttClientId;
    settings.user = o.mqttUser;
    settings.caFile = o.mqttCaFile;
    // libmosquitto only says "invalid arguments" of a CA file it cannot read.
    if (!o.mqttCaFile.isEmpty()) {
        QFile ca(o.mqttCaFile);
        if (!ca.open(QIODevice::ReadOnly)) {
            printError(QStringLiteral("MQTT: cannot read the CA file %1 (--mqtt-cafile): %2")
                           .arg(o.mqttCaFile, ca.errorString()));
            exitCode = ExitMqtt;
            return nullptr;
        }
    }
    if (!o.mqttPasswordFile.isEmpty()) {
        QFile file(o.mqttPasswordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            printError(QStringLiteral("cannot read the password file %1 (--mqtt-password-file): %2")
                           .arg(o.mqttPasswordFile, file.errorString()));
            exitCode = ExitFileError;
            return nullptr;
        }
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1); // blanks may belong to the password
        settings.password = line;
    }

    std::unique_ptr<MqttSession> session(new MqttSession(o));
    Spool::Settings spool;
    spool.dir = o.spoolDir;
    spool.maxBytes = o.spoolMaxMb * 1024LL * 1024;
    spool.maxRows = o.spoolDir.isEmpty() ? o.mqttQueue : 0;
    spool.syncMs = o.spoolSyncMs;
    Spool::Opened opened = Spool::open(spool);
    if (!opened.repaired.isEmpty())
        printError(QStringLiteral("spool: %1").arg(opened.repaired));
    if (!opened.spool) {
        printError(opened.locked
                       ? QStringLiteral("spool: %1 is in use by another tr6400-cli; one logger a "
                                        "spool (choose another with --spool DIR)")
                             .arg(o.spoolDir)
                       : QStringLiteral("spool: %1: %2").arg(o.spoolDir, opened.error));
        exitCode = ExitFileError;
        return nullptr;
    }
    session->spool_ = std::move(opened.spool);
    if (const long long waiting = session->spool_->backlog())
        printError(QStringLiteral("spool: %1 row(s) from an earlier run go first").arg(waiting));
    session->publisher_ = std::make_unique<MqttPublisher>(settings, *session->spool_);
    if (const auto why = session->publisher_->start()) {
        printError(QStringLiteral("MQTT: %1").arg(*why));
        exitCode = ExitMqtt;
        return nullptr;
    }
    return session;
}

bool MqttSession::publish(const Sample &s, int count) {
    const auto why = publisher_->publish(o_.topic.toUtf8() + '/' + QByteArray::number(s.station),
                                         jsonRow(s, count), s.station, s.seq);
    if (why)
        printError(QStringLiteral("spool: cannot store row %1 of station %2: %3")
                       .arg(s.seq)
                       .arg(s.station)
                       .arg(*why));
    // Said when the bound is first reached and every 10,000 rows after.
    const long long dropped = spool_->dropped();
    if (dropped / 10000 != reportedDrops_ / 10000 || (dropped > 0 && reportedDrops_ == 0))
        printError(QStringLiteral("spool: full at %1; %2 oldest row(s) dropped so far")
                       .arg(o_.spoolDir.isEmpty() ? QStringLiteral("%1 rows").arg(o_.mqttQueue)
                                                  : QStringLiteral("%1 MB").arg(o_.spoolMaxMb))
                       .arg(dropped));
    reportedDrops_ = dropped;
    return !why;
}

int MqttSession::finish(SeriesSummary &summary, int code, bool stopped) {
    const bool onDisk = !o_.spoolDir.isEmpty();
    // What is still waiting gets a last chance; on a stop with a spool on disk only the rows
    // already out, since the rest waits safely for the next start. A refusing broker gets none.
    publisher_->drain(stopped && onDisk ? 1000 : 10000);
    const MqttPublisher::Counts c = publisher_->counts();
    summary.setMqtt(c.delivered, c.backlog, c.dropped);
    summary.setSpool(c.spooled, c.delivered, c.dropped, c.backlog);
    if (const auto why = publisher_->refused()) {
        printError(QStringLiteral("MQTT: %1:%2 refused the connection: %3")
                       .arg(o_.mqttHost)
                       .arg(mqttPort(o_))
                       .arg(*why));
        return ExitMqtt;
    }
    if (c.backlog > 0 && onDisk) {
        printError(QStringLiteral("MQTT: %1 row(s) not acknowledged yet stay in the spool %2 for "
                                  "the next start")
                       .arg(c.backlog)
                       .arg(o_.spoolDir));
    } else if (c.backlog > 0) {
        printError(QStringLiteral("MQTT: %1 row(s) not delivered, the broker did not "
                                  "acknowledge them in time")
                       .arg(c.backlog));
        return code == ExitOk ? ExitMqtt : code;
    }
    return code;
}

} // namespace tr::cli
