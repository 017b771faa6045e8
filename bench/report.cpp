#include "bench/report.h"

#include <algorithm>
#include <array>

namespace tr::bench {

QString fixed(double value, int decimals, const QString &unit) {
    QString text = QString::number(value, 'f', decimals);
    if (!unit.isEmpty())
        text += QLatin1Char(' ') + unit;
    return text;
}

void Report::target(const QString &item, const QString &measure, const QString &result,
                    const QString &targetText, std::optional<bool> met) {
    const Verdict v = !met ? Verdict::NotAvailable : *met ? Verdict::Pass : Verdict::Miss;
    rows_.push_back({item, measure, met ? result : QStringLiteral("not available"), targetText, v});
}

void Report::info(const QString &item, const QString &measure, const QString &result) {
    rows_.push_back({item, measure, result, QString(), Verdict::None});
}

int Report::misses() const {
    return int(std::count_if(rows_.begin(), rows_.end(),
                             [](const Row &r) { return r.verdict == Verdict::Miss; }));
}

QString Report::text(bool smoke) const {
    const auto verdictText = [smoke](Verdict v) -> QString {
        QString t;
        switch (v) {
        case Verdict::None:
            return QString();
        case Verdict::Pass:
            t = QStringLiteral("PASS");
            break;
        case Verdict::Miss:
            t = QStringLiteral("MISS");
            break;
        case Verdict::NotAvailable:
            return QStringLiteral("n/a");
        }
        return smoke ? t + QLatin1Char('*') : t;
    };

    std::vector<std::array<QString, 5>> cells;
    cells.push_back({QStringLiteral("#"), QStringLiteral("Measure"), QStringLiteral("Result"),
                     QStringLiteral("Target"), QStringLiteral("Verdict")});
    for (const Row &r : rows_)
        cells.push_back({r.item, r.measure, r.result, r.target, verdictText(r.verdict)});
    std::array<qsizetype, 5> width{};
    for (const auto &row : cells) {
        for (std::size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].size());
    }

    QString out;
    const auto line = [&](const std::array<QString, 5> &row) {
        out += QLatin1Char('|');
        for (std::size_t c = 0; c < row.size(); ++c)
            out += QLatin1Char(' ') + row[c].leftJustified(width[c]) + QStringLiteral(" |");
        out += QLatin1Char('\n');
    };
    line(cells.front());
    out += QLatin1Char('|');
    for (qsizetype w : width)
        out += QString(w + 2, QLatin1Char('-')) + QLatin1Char('|');
    out += QLatin1Char('\n');
    for (std::size_t i = 1; i < cells.size(); ++i)
        line(cells[i]);
    if (smoke)
        out += QStringLiteral("\n* smoke run: phases of about a second; the targets are not "
                              "enforced and the figures mean little.\n");
    if (!details_.isEmpty()) {
        out += QStringLiteral("\nDetails:\n");
        for (const QString &d : details_)
            out += QStringLiteral("- ") + d + QLatin1Char('\n');
    }
    return out;
}

} // namespace tr::bench
