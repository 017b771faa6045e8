#include "panels/opaquebackground.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <optional>

namespace tr {

namespace {

// The one colour of `area` in `image`, if it has only one.
std::optional<QRgb> uniformColour(const QImage &image, const QRect &area) {
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty())
        return std::nullopt;
    const QRgb first = image.pixel(inside.topLeft());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (line[x] != first)
                return std::nullopt;
        }
    }
    return first;
}

} // namespace

int fillFromBehind(QWidget &window, const QList<QWidget *> &widgets) {
    QList<QWidget *> hidden;
    for (QWidget *w : widgets) {
        if (!w->isHidden()) {
            w->hide();
            hidden << w;
        }
    }
    const QImage behind = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (QWidget *w : hidden)
        w->show();

    const qreal ratio = behind.devicePixelRatio();
    int filled = 0;
    for (QWidget *w : widgets) {
        const QRect area(w->mapTo(&window, QPoint(0, 0)), w->size());
        const QRect pixels =
            QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio).toRect();
        const std::optional<QRgb> colour = uniformColour(behind, pixels);
        if (!colour)
            continue;
        // A role the styles do not paint with, so nothing but the fill sees it.
        QPalette palette = w->palette();
        palette.setColor(QPalette::AlternateBase, QColor(*colour));
        w->setPalette(palette);
        w->setBackgroundRole(QPalette::AlternateBase);
        w->setAutoFillBackground(true);
        ++filled;
    }
    return filled;
}

} // namespace tr
