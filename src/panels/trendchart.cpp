#include "panels/trendchart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsScene>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace tr {

namespace {

// Eight colours told apart easily, also by most colour-blind eyes.
const QColor kColours[kChannels] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e),
                                    QColor(0x2c, 0xa0, 0x2c), QColor(0xd6, 0x27, 0x28),
                                    QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                    QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f)};

// The scale shown when no channel has a value in view.
constexpr double kEmptyMinC = 0;
constexpr double kEmptyMaxC = 50;

QString timeFormat(qint64 spanMs) {
    if (spanMs <= 3600LL * 1000)
        return QStringLiteral("HH:mm:ss");
    if (spanMs <= 24LL * 3600 * 1000)
        return QStringLiteral("HH:mm");
    return QStringLiteral("MM-dd HH:mm");
}

// The part of the line a -> b left of x, ending on x: points far outside the plot area are
// brought to its edge, so the painter never sees huge coordinates.
QPointF toEdge(QPointF outside, QPointF inside, double x) {
    if (outside.x() == inside.x())
        return QPointF(x, outside.y());
    const double t = (x - outside.x()) / (inside.x() - outside.x());
    return QPointF(x, outside.y() + t * (inside.y() - outside.y()));
}

} // namespace

TraceItem::TraceItem(QChart &chart) : QGraphicsItem(&chart), chart_(chart) {
    setZValue(10);
    // The exposed rectangle tells paint() which part to draw.
    setFlag(ItemUsesExtendedStyleOption, true);
}

void TraceItem::setTraces(const Traces &traces, const Scale &scale,
                          std::optional<qint64> changedFromMs) {
    traces_ = &traces;
    const bool sameScale = scale.fromMs == scale_.fromMs && scale.toMs == scale_.toMs &&
                           scale.minC == scale_.minC && scale.maxC == scale_.maxC &&
                           scale.shown == scale_.shown;
    scale_ = scale;
    scale_.toMs = std::max(scale.toMs, scale.fromMs + 1);
    if (scale_.maxC <= scale_.minC)
        scale_.maxC = scale_.minC + 1;
    const QRectF plot = chart_.plotArea();
    if (!sameScale || !changedFromMs) {
        update();
        return;
    }
    // Only the newest columns changed: from the last point before them on.
    qint64 from = *changedFromMs;
    for (const ChannelTrace &t : traces) {
        for (auto s = t.segments.crbegin(); s != t.segments.crend(); ++s) {
            const auto before = std::find_if(s->crbegin(), s->crend(), [&](const TracePoint &p) {
                return p.ms < *changedFromMs;
            });
            if (before != s->crend()) {
                from = std::min(from, before->ms);
                break;
            }
        }
    }
    const double x = std::max(plot.left(), xOf(from, plot) - 3);
    update(QRectF(x, plot.top(), plot.right() - x + 1, plot.height()));
}

double TraceItem::xOf(qint64 ms, const QRectF &plot) const {
    return plot.left() +
           double(ms - scale_.fromMs) * plot.width() / double(scale_.toMs - scale_.fromMs);
}

void TraceItem::plotChanged() {
    prepareGeometryChange();
}

QRectF TraceItem::boundingRect() const {
    return chart_.plotArea();
}

void TraceItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *) {
    const QRectF plot = chart_.plotArea();
    const QRectF area = option->exposedRect.intersected(plot);
    pointsDrawn_ = 0;
    if (area.isEmpty() || !traces_)
        return;
    painter->save();
    painter->setClipRect(area);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const double span = double(scale_.toMs - scale_.fromMs);
    const double sx = plot.width() / span;
    const double sy = plot.height() / (scale_.maxC - scale_.minC);
    const double x0 = plot.left();
    const double y0 = plot.bottom() + scale_.minC * sy;
    // Points a little beyond the exposed part on both sides, so lines enter and leave it.
    const double left = area.left() - 2;
    const double right = area.right() + 2;
    const auto leftMs = scale_.fromMs + qint64(std::floor((left - x0) / sx));
    const auto rightMs = scale_.fromMs + qint64(std::ceil((right - x0) / sx));
    for (std::size_t c = 0; c < traces_->size(); ++c) {
        if (!scale_.shown[c])
            continue;
        // One pixel wide: the raster engine draws such lines directly, without stroking a path.
        QPen pen(colours_[c], 1);
        pen.setCosmetic(true);
        painter->setPen(pen);
        for (const TraceSegment &segment : (*traces_)[c].segments) {
            if (segment.back().ms < leftMs || segment.front().ms > rightMs)
                continue;
            // The drawn part: from the last point left of the area to the first right of it.
            const TracePoint *begin = segment.data();
            const TracePoint *end = begin + segment.size();
            const TracePoint *first = std::lower_bound(
                begin, end, leftMs, [](const TracePoint &p, qint64 ms) { return p.ms < ms; });
            if (first != begin)
                --first;
            const TracePoint *last = std::upper_bound(
                first, end, rightMs, [](qint64 ms, const TracePoint &p) { return ms < p.ms; });
            if (last != end)
                ++last;
            const auto n = last - first;
            pointsDrawn_ += n;
            line_.resize(n);
            QPointF *out = line_.data();
            for (const TracePoint *p = first; p != last; ++p, ++out)
                *out = QPointF(x0 + double(p->ms - scale_.fromMs) * sx, y0 - p->tenths * sy / 10.0);
            clipToArea(line_, left, right);
            if (line_.size() > 1) {
                painter->drawPolyline(line_);
            } else if (segment.size() == 1 && line_.size() == 1) {
                // A value alone between gaps: a dot.
                painter->setPen(QPen(colours_[c], 3, Qt::SolidLine, Qt::SquareCap));
                painter->drawPoint(line_.constFirst());
                painter->setPen(pen);
            }
        }
    }
    painter->restore();
}

void TraceItem::clipToArea(QPolygonF &line, double left, double right) {
    // Points far outside are brought to the edge, so the painter never sees huge coordinates.
    if (line.size() > 1 && line.constFirst().x() < left)
        line.first() = toEdge(line.constFirst(), line.at(1), left);
    if (line.size() > 1 && line.constLast().x() > right)
        line.last() = toEdge(line.constLast(), line.at(line.size() - 2), right);
}

TrendChart::TrendChart(QWidget *parent) : QChartView(parent), chart_(new QChart) {
    setChart(chart_);
    // The grid and the labels move whenever the time axis steps on: keeping a spatial index of
    // a few dozen items up to date costs more than looking through them.
    scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    chart_->legend()->setAlignment(Qt::AlignRight);
    timeAxis_ = new QDateTimeAxis(chart_);
    valueAxis_ = new QValueAxis(chart_);
    timeAxis_->setTickCount(6);
    valueAxis_->setTitleText(tr("温度(℃)"));
    valueAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    for (std::size_t c = 0; c < series_.size(); ++c) {
        colours_[c] = kColours[c];
        shown_[c] = true;
        // The series carry the legend entries and the axes; the lines are the TraceItem's.
        auto *series = new QLineSeries(chart_);
        series->setName(tr("%1#").arg(c + 1));
        series->setColor(colours_[c]);
        chart_->addSeries(series);
        series->attachAxis(timeAxis_);
        series->attachAxis(valueAxis_);
        series_[c] = series;
        const QList<QLegendMarker *> markers = chart_->legend()->markers(series);
        if (!markers.isEmpty())
            connect(markers.constFirst(), &QLegendMarker::clicked, this,
                    [this, c] { setShown(int(c), !shown_[c]); });
    }
    traces_ = new TraceItem(*chart_);
    traces_->setColours(colours_);
    valueAxis_->setRange(kEmptyMinC, kEmptyMaxC);
    connect(chart_, &QChart::plotAreaChanged, this, [this] {
        traces_->plotChanged();
        emit plotResized();
    });
    setMinimumSize(200, 150);
}

int TrendChart::plotWidth() const {
    return std::max(1, int(chart_->plotArea().width()));
}

void TrendChart::setShown(int channel, bool shown) {
    if (channel < 0 || channel >= kChannels || shown_[std::size_t(channel)] == shown)
        return;
    shown_[std::size_t(channel)] = shown;
    QLineSeries *series = series_[std::size_t(channel)];
    for (QLegendMarker *marker : chart_->legend()->markers(series)) {
        QColor label = chart_->legend()->labelColor();
        label.setAlpha(shown ? 255 : 90);
        marker->setLabelBrush(label);
        QColor colour = colours_[std::size_t(channel)];
        colour.setAlpha(shown ? 255 : 60);
        marker->setBrush(colour);
        marker->setPen(QPen(colour));
    }
    emit shownChanged();
}

void TrendChart::draw(const Traces &traces, qint64 fromMs, qint64 toMs,
                      std::optional<qint64> changedFromMs) {
    ValueRange range;
    for (std::size_t c = 0; c < traces.size(); ++c) {
        if (shown_[c])
            range.add(traces[c].range);
    }
    double lo = kEmptyMinC;
    double hi = kEmptyMaxC;
    if (!range.isEmpty()) {
        lo = range.lo / 10.0;
        hi = range.hi / 10.0;
        const double margin = std::max(hi - lo, 1.0) * 0.1;
        lo -= margin;
        hi += margin;
    }
    // The scale changes only when the values leave it or leave most of it unused.
    const double shownLo = valueAxis_->min();
    const double shownHi = valueAxis_->max();
    const bool fits = lo >= shownLo && hi <= shownHi && (hi - lo) * 3 >= shownHi - shownLo;
    if (!fits) {
        valueAxis_->setRange(lo, hi);
        valueAxis_->applyNiceNumbers();
    }
    if (fromMs != fromMs_ || toMs != toMs_) {
        fromMs_ = fromMs;
        toMs_ = std::max(toMs, fromMs + 1);
        timeAxis_->setFormat(timeFormat(toMs_ - fromMs_));
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(fromMs_),
                            QDateTime::fromMSecsSinceEpoch(toMs_));
    }
    traces_->setTraces(traces, {fromMs_, toMs_, valueAxis_->min(), valueAxis_->max(), shown_},
                       changedFromMs);
}

void TrendChart::wheelEvent(QWheelEvent *event) {
    const QRectF plot = chart_->plotArea();
    const QPointF at = mapToScene(event->position().toPoint());
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0 || !plot.contains(at)) {
        event->ignore();
        return;
    }
    const double fraction = (at.x() - plot.left()) / plot.width();
    const auto anchor = qint64(double(fromMs_) + fraction * double(toMs_ - fromMs_));
    emit zoomRequested(std::pow(0.8, steps), anchor);
    event->accept();
}

} // namespace tr
