#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tr::bench {

// The one table `make bench` prints: a row per figure, with its target and PASS or MISS where
// there is a target, then the details that explain the figures.
class Report {
public:
    enum class Verdict { None, Pass, Miss, NotAvailable };

    // A figure with a target; `met` decides PASS or MISS, nothing (no data) gives n/a.
    void target(const QString &item, const QString &measure, const QString &result,
                const QString &target, std::optional<bool> met);
    // A figure shown for information, no target.
    void info(const QString &item, const QString &measure, const QString &result);
    void detail(const QString &line) { details_ << line; }

    // Markdown; in a smoke run the verdicts are shown but marked as not enforced.
    QString text(bool smoke) const;
    int misses() const;

private:
    struct Row {
        QString item, measure, result, target;
        Verdict verdict = Verdict::None;
    };
    std::vector<Row> rows_;
    QStringList details_;
};

// "0.42 ms", "1.05", "0.31 %": fixed decimals.
QString fixed(double value, int decimals, const QString &unit = QString());

} // namespace tr::bench
