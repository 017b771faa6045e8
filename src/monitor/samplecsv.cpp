#include "monitor/samplecsv.h"

#include "modbus/decode.h"

namespace tr {

namespace {

constexpr int kRowsPerLook = 512;

void appendRow(QByteArray &out, const QByteArray &time, const std::array<Code, kChannels> &codes) {
    out += time;
    for (Code code : codes) {
        out += ',';
        if (code != kNoValue)
            out += formatTenths(tenthsOf(code)).toLatin1();
    }
    out += "\r\n";
}

} // namespace

SampleCsvWriter::SampleCsvWriter(const SampleStore &store, qint64 fromMs, qint64 toMs,
                                 const QString &path)
    : store_(store), generation_(store.generation()), begin_(store.indexAt(fromMs)), next_(begin_),
      end_(store.indexAt(toMs)), file_(path) {}

double SampleCsvWriter::progress() const {
    if (done_ || end_ <= begin_)
        return done_ ? 1.0 : 0.0;
    return double(next_ - begin_) / double(end_ - begin_);
}

void SampleCsvWriter::fail(Failure::Kind kind) {
    failure_ = Failure{kind, kind == Failure::Kind::Unwritable ? file_.errorString() : QString()};
    file_.cancelWriting();
    done_ = true;
}

bool SampleCsvWriter::step(const QDeadlineTimer &deadline) {
    if (done_)
        return false;
    if (!started_) {
        started_ = true;
        if (!file_.open(QIODevice::WriteOnly)) {
            fail(Failure::Kind::Unwritable);
            return false;
        }
        QByteArray header("time");
        for (int c = 1; c <= kChannels; ++c)
            header += ",ch" + QByteArray::number(c);
        file_.write(header + "\r\n");
    }
    // Rows older than the store keeps may go while the window acquires; rewritten rows end it.
    if (store_.generation() != generation_) {
        fail(Failure::Kind::StoreChanged);
        return false;
    }
    next_ = std::max(next_, store_.firstIndex());
    QByteArray out;
    for (int n = 0; next_ < end_; ++next_, ++n) {
        if (n == kRowsPerLook) {
            n = 0;
            if (deadline.hasExpired())
                break;
        }
        const SampleRow &row = store_.row(next_);
        const QByteArray time = local_.isoText(row.ms);
        appendRow(out, time, row.lo);
        if (row.hi != row.lo)
            appendRow(out, time, row.hi);
    }
    if (file_.write(out) != out.size()) {
        fail(Failure::Kind::Unwritable);
        return false;
    }
    if (next_ < end_)
        return true;
    if (!file_.commit()) {
        failure_ = Failure{Failure::Kind::Unwritable, file_.errorString()};
        done_ = true;
        return false;
    }
    done_ = true;
    return false;
}

} // namespace tr
