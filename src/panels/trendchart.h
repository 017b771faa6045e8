#pragma once

#include "monitor/decimator.h"

#include <QChartView>
#include <QGraphicsItem>
#include <QPolygonF>
#include <array>
#include <optional>

class QChart;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace tr {

// The eight lines, drawn from decimated columns. A QLineSeries joins every point to the next,
// so it cannot leave a gap where a sensor was open or a request went unanswered; this item
// draws each unbroken segment on its own, inside the chart's plot area, in its series' colour.
class TraceItem : public QGraphicsItem {
public:
    // How values map to the plot area, and which channels are drawn.
    struct Scale {
        qint64 fromMs = 0, toMs = 1;
        double minC = 0, maxC = 1;
        std::array<bool, kChannels> shown{};
    };

    explicit TraceItem(QChart &chart);

    void setColours(const std::array<QColor, kChannels> &colours) { colours_ = colours; }
    // New lines, kept by reference (they must stay until the next call); with the same scale and
    // changedFromMs, only the part from there on (and the line leading into it) is painted again.
    void setTraces(const Traces &traces, const Scale &scale, std::optional<qint64> changedFromMs);
    // The chart's plot area moved or changed size.
    void plotChanged();
    // Points drawn in the last paint, all channels (for the bench and the tests).
    qsizetype pointsDrawn() const { return pointsDrawn_; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    double xOf(qint64 ms, const QRectF &plot) const;
    static void clipToArea(QPolygonF &line, double left, double right);

    QChart &chart_;
    const Traces *traces_ = nullptr;
    Scale scale_;
    std::array<QColor, kChannels> colours_;
    QPolygonF line_;
    qsizetype pointsDrawn_ = 0;
};

// The trend chart: wall-clock time against °C, legend "1#" … "8#" (a click hides or shows a
// channel), the lines drawn by TraceItem. The mouse wheel asks for a zoom of the time axis.
class TrendChart : public QChartView {
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    // Width of the plot area in pixels: the number of columns worth decimating to.
    int plotWidth() const;
    const std::array<bool, kChannels> &shown() const { return shown_; }
    void setShown(int channel, bool shown);

    // Draws the traces of fromMs .. toMs; changedFromMs: they differ from the last ones only
    // from there on.
    void draw(const Traces &traces, qint64 fromMs, qint64 toMs,
              std::optional<qint64> changedFromMs = std::nullopt);
    const TraceItem &traceItem() const { return *traces_; }

signals:
    // Wheel over the plot: zoom the time axis by `factor` (< 1: in) around `anchorMs`.
    void zoomRequested(double factor, qint64 anchorMs);
    void shownChanged();
    // The plot area changed size: the columns should be worked out again.
    void plotResized();

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    QChart *chart_;
    QDateTimeAxis *timeAxis_;
    QValueAxis *valueAxis_;
    std::array<QLineSeries *, kChannels> series_{};
    std::array<QColor, kChannels> colours_;
    std::array<bool, kChannels> shown_;
    TraceItem *traces_;
    qint64 fromMs_ = 0, toMs_ = 1;
};

} // namespace tr
