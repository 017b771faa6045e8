#include "cli/readsummary.h"

#include <algorithm>

namespace tr::cli {

namespace {

constexpr long long kStepMicros = 10;

QString ms(long long micros) {
    return QString::number(double(micros) / 1000.0, 'f', 2);
}

} // namespace

void ReadSummary::add(const QString &status) {
    ++samples_;
    if (status == QLatin1String("ok"))
        ++ok_;
    else if (status == QLatin1String("timeout"))
        ++timeout_;
    else if (status == QLatin1String("crc"))
        ++crc_;
    else if (status.startsWith(QLatin1String("exception")))
        ++exception_;
    else if (status == QLatin1String("disconnected"))
        ++disconnected_;
    else if (status == QLatin1String("missed"))
        ++missed_;
    else
        ++bad_;
}

void ReadSummary::addAnswerTime(std::chrono::microseconds answerTime) {
    if (steps_.empty() || answerTime < min_)
        min_ = answerTime;
    if (steps_.empty() || answerTime > max_)
        max_ = answerTime;
    ++steps_[answerTime.count() / kStepMicros];
}

void ReadSummary::setMqtt(long long published, long long queued, long long dropped) {
    mqtt_ = QStringLiteral("; mqtt %1 published, %2 queued, %3 dropped")
                .arg(published)
                .arg(queued)
                .arg(dropped);
}

void ReadSummary::setSpool(long long spooled, long long delivered, long long dropped,
                           long long backlog) {
    mqtt_ += QStringLiteral("; spooled %1, delivered %2, dropped %3, backlog %4")
                 .arg(spooled)
                 .arg(delivered)
                 .arg(dropped)
                 .arg(backlog);
}

QString ReadSummary::text() const {
    QString line = QStringLiteral("summary: %1 samples, %2 ok, %3 timeout, %4 crc, %5 exception, "
                                  "%6 bad, %7 disconnected, %8 missed, %9 late; ")
                       .arg(samples_)
                       .arg(ok_)
                       .arg(timeout_)
                       .arg(crc_)
                       .arg(exception_)
                       .arg(bad_)
                       .arg(disconnected_)
                       .arg(missed_)
                       .arg(late_);
    long long count = 0;
    for (const auto &[step, n] : steps_)
        count += n;
    if (count == 0)
        return line + QStringLiteral("answer ms -") + mqtt_;
    // The lower median: the step that holds answer number (count + 1) / 2.
    long long seen = 0;
    long long median = 0;
    for (const auto &[step, n] : steps_) {
        seen += n;
        if (seen * 2 >= count) {
            median = step * kStepMicros;
            break;
        }
    }
    return line +
           QStringLiteral("answer ms min %1 median %2 max %3")
               .arg(ms(min_.count()), ms(std::clamp<long long>(median, min_.count(), max_.count())),
                    ms(max_.count())) +
           mqtt_;
}

} // namespace tr::cli
