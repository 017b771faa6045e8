#pragma once

#include "cli/commandline.h"
#include "cli/mqttpublisher.h"
#include "cli/spool.h"

#include <memory>

namespace tr::cli {

class SeriesSummary;
struct Sample;

// The MQTT side of a read: the spool (on disk unless --spool none) and the publisher over it.
class MqttSession {
public:
    // Null when --mqtt is not given or the session cannot start; then `exitCode` says why (5: the
    // spool, 6: the broker settings) and the message is out.
    static std::unique_ptr<MqttSession> start(const CliOptions &options, int &exitCode);

    // The seq of the first sample: the spool remembers how far earlier runs went.
    long long firstSeq(const QList<int> &stations) { return spool_->nextSeq(stations); }
    // False, with the message out, when the row could not be stored: it must then not be shown.
    bool publish(const Sample &sample, int count);
    bool refused() const { return publisher_->refused().has_value(); }
    // The last chance for what is waiting, the summary's counts, and the exit status.
    int finish(SeriesSummary &summary, int code, bool stopped);

private:
    MqttSession(const CliOptions &options) : o_(options) {}

    const CliOptions &o_;
    std::unique_ptr<Spool> spool_; // outlives the publisher
    std::unique_ptr<MqttPublisher> publisher_;
    long long reportedDrops_ = 0;
};

} // namespace tr::cli
