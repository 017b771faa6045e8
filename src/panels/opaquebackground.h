#pragma once

#include <QList>

class QWidget;

namespace tr {

// Widgets repainted at every reading (value boxes, the lamp, the frame texts) are given the
// colour the window shows behind them as their own background, which makes them opaque: their
// repaints stop at them instead of repainting the group boxes and tab frame beneath. The colour
// is read from the window rendered without them, and only a background of one colour is
// copied, so every pixel stays as it was. Returns how many of the widgets were made opaque.
int fillFromBehind(QWidget &window, const QList<QWidget *> &widgets);

} // namespace tr
