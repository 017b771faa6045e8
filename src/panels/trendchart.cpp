#include "panels/trendchart.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <QWheelEvent>
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
    setFlag(ItemClipsToShape, false);
}

void TraceItem::setTraces(std::array<ChannelTrace, kChannels> traces, qint64 fromMs, qint64 toMs,
                          double minC, double maxC, const std::array<bool, kChannels> &shown,
                          const std::array<QColor, kChannels> &colours) {
    prepareGeometryChange();
    traces_ = std::move(traces);
    fromMs_ = fromMs;
    toMs_ = std::max(toMs, fromMs + 1);
    minC_ = minC;
    maxC_ = maxC > minC ? maxC : minC + 1;
    shown_ = shown;
    colours_ = colours;
    update();
}

void TraceItem::plotChanged() {
    prepareGeometryChange();
}

QRectF TraceItem::boundingRect() const {
    return chart_.plotArea();
}

void TraceItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) {
    const QRectF plot = chart_.plotArea();
    painter->save();
    painter->setClipRect(plot);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const double sx = plot.width() / double(toMs_ - fromMs_);
    const double sy = plot.height() / (maxC_ - minC_);
    const double left = plot.left() - 2;
    const double right = plot.right() + 2;
    const auto at = [&](const TracePoint &p) {
        return QPointF(plot.left() + double(p.ms - fromMs_) * sx,
                       plot.bottom() - (p.tenths / 10.0 - minC_) * sy);
    };
    pointsDrawn_ = 0;
    QPolygonF line;
    for (std::size_t c = 0; c < traces_.size(); ++c) {
        if (!shown_[c])
            continue;
        QPen pen(colours_[c], 1.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        for (const TraceSegment &segment : traces_[c].segments) {
            pointsDrawn_ += qsizetype(segment.size());
            if (segment.size() == 1) {
                // A value alone between gaps: a dot.
                const QPointF p = at(segment.front());
                if (p.x() >= left && p.x() <= right) {
                    painter->setPen(QPen(colours_[c], 3.5, Qt::SolidLine, Qt::RoundCap));
                    painter->drawPoint(p);
                    painter->setPen(pen);
                }
                continue;
            }
            line.clear();
            for (std::size_t i = 0; i < segment.size(); ++i) {
                QPointF p = at(segment[i]);
                if (p.x() < left) {
                    if (i + 1 < segment.size() && at(segment[i + 1]).x() >= left)
                        line.append(toEdge(p, at(segment[i + 1]), left));
                    continue;
                }
                if (p.x() > right) {
                    if (!line.isEmpty())
                        line.append(toEdge(p, line.constLast(), right));
                    break;
                }
                line.append(p);
            }
            if (line.size() > 1)
                painter->drawPolyline(line);
        }
    }
    painter->restore();
}

TrendChart::TrendChart(QWidget *parent) : QChartView(parent), chart_(new QChart) {
    setChart(chart_);
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
    connect(chart_, &QChart::plotAreaChanged, this, [this] {
        traces_->plotChanged();
        emit plotResized();
    });
    setMinimumSize(200, 150);
}

int TrendChart::plotWidth() const {
    return std::max(1, int(chart_->plotArea().width()));
}

double TrendChart::axisMinC() const {
    return valueAxis_->min();
}

double TrendChart::axisMaxC() const {
    return valueAxis_->max();
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

void TrendChart::draw(std::array<ChannelTrace, kChannels> traces, qint64 fromMs, qint64 toMs) {
    fromMs_ = fromMs;
    toMs_ = std::max(toMs, fromMs + 1);
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
    if (valueAxis_->min() != lo || valueAxis_->max() != hi) {
        valueAxis_->setRange(lo, hi);
        valueAxis_->applyNiceNumbers();
    }
    timeAxis_->setFormat(timeFormat(toMs_ - fromMs_));
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(fromMs_),
                        QDateTime::fromMSecsSinceEpoch(toMs_));
    traces_->setTraces(std::move(traces), fromMs_, toMs_, valueAxis_->min(), valueAxis_->max(),
                       shown_, colours_);
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
