#include "monitor/sampleloader.h"

#include <cstring>

namespace tr {

namespace {

constexpr qint64 kChunk = 1 << 20;
// Lines between two looks at the clock.
constexpr int kLinesPerLook = 256;
// A "line" longer than this is no record: it is counted once and skipped to its end.
constexpr qsizetype kLongestLine = 1 << 16;

} // namespace

SampleFileLoader::SampleFileLoader(const QString &path) : file_(path) {}

double SampleFileLoader::progress() const {
    if (done_)
        return 1.0;
    return size_ > 0 ? double(consumed_) / double(size_) : 0.0;
}

void SampleFileLoader::take(QByteArrayView line) {
    ++summary_.lines;
    const SampleLineParser::Line parsed = parser_.parse(line);
    switch (parsed.kind) {
    case SampleLineParser::Line::Kind::Skip:
        break;
    case SampleLineParser::Line::Kind::Sample:
        if (summary_.samples++ == 0)
            firstMs_ = parsed.ms;
        lastMs_ = parsed.ms;
        store_.add(parsed.ms, parsed.values);
        break;
    case SampleLineParser::Line::Kind::Malformed:
        if (summary_.malformed++ == 0)
            summary_.firstBadLine = summary_.lines;
        break;
    }
}

void SampleFileLoader::finish() {
    done_ = true;
    file_.close();
    buffer_.clear();
    if (summary_.failure != LoadSummary::Failure::None)
        store_.clear();
}

bool SampleFileLoader::step(const QDeadlineTimer &deadline) {
    if (done_)
        return false;
    if (!opened_) {
        opened_ = true;
        if (!file_.open(QIODevice::ReadOnly)) {
            summary_.failure = LoadSummary::Failure::Unreadable;
            summary_.reason = file_.errorString();
            finish();
            return false;
        }
        size_ = file_.size();
    }
    for (int looked = 0;; ++looked) {
        if (looked == kLinesPerLook) {
            looked = 0;
            if (deadline.hasExpired())
                return true;
        }
        const char *from = buffer_.constData() + pos_;
        const auto left = std::size_t(buffer_.size() - pos_);
        if (const void *nl = std::memchr(from, '\n', left)) {
            const auto length = static_cast<const char *>(nl) - from;
            if (longLine_)
                longLine_ = false;
            else
                take(QByteArrayView(from, length));
            pos_ += length + 1;
            continue;
        }
        if (left > std::size_t(kLongestLine)) {
            if (!longLine_)
                take(QByteArrayView(from, kLongestLine));
            longLine_ = true;
            pos_ = buffer_.size();
        }
        // No whole line left: the rest moves to the front and the next chunk follows it.
        buffer_.remove(0, pos_);
        pos_ = 0;
        const QByteArray chunk = file_.read(kChunk);
        if (chunk.isEmpty()) {
            if (file_.error() != QFileDevice::NoError) {
                summary_.failure = LoadSummary::Failure::Unreadable;
                summary_.reason = file_.errorString();
            } else if (!buffer_.isEmpty() && !longLine_) {
                take(buffer_); // the last line has no line end
            }
            finish();
            return false;
        }
        // After the first chunk, what the rest of the file will bring, roughly.
        if (consumed_ > 0 && !expected_) {
            expected_ = true;
            const double scale = double(size_) / double(consumed_);
            store_.expect(qint64(double(summary_.samples) * scale),
                          qint64(double(lastMs_ - firstMs_) * scale));
        }
        consumed_ += chunk.size();
        if (std::memchr(chunk.constData(), '\0', std::size_t(chunk.size()))) {
            summary_.failure = LoadSummary::Failure::NotText;
            finish();
            return false;
        }
        buffer_.append(chunk);
    }
}

} // namespace tr
