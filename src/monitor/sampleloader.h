#pragma once

#include "monitor/chunkedjob.h"
#include "monitor/sampleparser.h"
#include "monitor/samplestore.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tr {

struct LoadSummary {
    enum class Failure { None, Unreadable, NotText };
    Failure failure = Failure::None;
    QString reason; // Unreadable: why, as the system says it
    qint64 lines = 0;
    qint64 samples = 0;
    qint64 malformed = 0;
    qint64 firstBadLine = 0; // 1 = the first line; 0: none
};

// Reads a data file or csv file into a store a slice at a time. A malformed line is counted and
// skipped; a NUL byte means the file is not text, and nothing of it is kept.
class SampleFileLoader : public ChunkedJob {
public:
    explicit SampleFileLoader(const QString &path);

    bool step(const QDeadlineTimer &deadline) override;
    double progress() const override;

    const LoadSummary &summary() const { return summary_; }
    SampleStore &store() { return store_; }

private:
    void take(QByteArrayView line);
    void finish();

    QFile file_;
    qint64 size_ = 0;
    qint64 consumed_ = 0;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool opened_ = false;
    bool done_ = false;
    bool longLine_ = false;
    bool expected_ = false;
    qint64 firstMs_ = 0, lastMs_ = 0;
    SampleLineParser parser_;
    SampleStore store_{SampleStore::kFile};
    LoadSummary summary_;
};

} // namespace tr
