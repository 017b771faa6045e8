#include "cli/seriessummary.h"

namespace tr::cli {

namespace {

QString ms(double milliseconds) {
    return QString::number(milliseconds, 'f', 2);
}

} // namespace

void SeriesSummary::add(const Judgement &check,
                        std::optional<std::chrono::microseconds> answerTime) {
    line_.concluded(check.status,
                    answerTime ? std::optional<qint64>(answerTime->count()) : std::nullopt);
}

void SeriesSummary::setMqtt(long long published, long long queued, long long dropped) {
    mqtt_ = QStringLiteral("; mqtt %1 published, %2 queued, %3 dropped")
                .arg(published)
                .arg(queued)
                .arg(dropped);
}

void SeriesSummary::setSpool(long long spooled, long long delivered, long long dropped,
                             long long backlog) {
    mqtt_ += QStringLiteral("; spooled %1, delivered %2, dropped %3, backlog %4")
                 .arg(spooled)
                 .arg(delivered)
                 .arg(dropped)
                 .arg(backlog);
}

QString SeriesSummary::text() const {
    const auto n = [this](AnswerStatus s) { return line_.count(s); };
    const qint64 bad = n(AnswerStatus::Short) + n(AnswerStatus::Station) +
                       n(AnswerStatus::Function) + n(AnswerStatus::Length);
    const qint64 answered = n(AnswerStatus::Ok) + n(AnswerStatus::NoAnswer) + n(AnswerStatus::Crc) +
                            n(AnswerStatus::Exception) + bad;
    const QString line = QStringLiteral("summary: %1 samples, %2 ok, %3 timeout, %4 crc, %5 "
                                        "exception, %6 bad, %7 disconnected, %8 missed, %9 late; ")
                             .arg(answered + disconnected_ + missed_)
                             .arg(n(AnswerStatus::Ok))
                             .arg(n(AnswerStatus::NoAnswer))
                             .arg(n(AnswerStatus::Crc))
                             .arg(n(AnswerStatus::Exception))
                             .arg(bad)
                             .arg(disconnected_)
                             .arg(missed_)
                             .arg(late_);
    const LineStatistics::AnswerTimes t = line_.answerTimes();
    if (t.count == 0)
        return line + QStringLiteral("answer ms -") + mqtt_;
    return line +
           QStringLiteral("answer ms min %1 median %2 max %3")
               .arg(ms(t.minMs), ms(t.medianMs), ms(t.maxMs)) +
           mqtt_;
}

} // namespace tr::cli
