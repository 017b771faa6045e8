#pragma once

#include "domain/tooldirs.h"
#include "modbus/answer.h"
#include "monitor/traffichistory.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QPushButton;
class QTableView;

namespace tr {

class FileDialog;
class LineHintLabel;
class LineRecorder;
class MessageBox;

// The traffic history as a table: time, direction, bytes, verdict.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrafficModel(const TrafficHistory &history, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Tells the view about lines added or dropped; while the view is hidden nothing is said and
    // catchUp() starts it over once it shows.
    void changed(const TrafficHistory::Change &change, bool viewVisible);
    void catchUp();
    // The lines were replaced (cleared): the view starts over.
    void restart();

    static QString statusText(AnswerStatus status);
    static QString directionText(TrafficLine::Direction direction);

private:
    const TrafficHistory &history_;
    bool behind_ = false;
    qsizetype shown_ = 0;   // rows the view knows
    qsizetype dropped_ = 0; // lines gone from the front the view has not been told of
};

// The "通信" tab: a view of the line recorder's counters and answer times, and of every frame
// sent and received.
class LinePanel : public QWidget {
    Q_OBJECT
public:
    LinePanel(LineRecorder &recorder, MessageBox &messages, FileDialog &files, ToolDirs dirs,
              QWidget *parent = nullptr);

    LineHintLabel &hint() { return *hint_; }

    void resetStatistics();
    void pauseOrResumeTraffic();
    void clearTraffic();
    void saveTraffic();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void trafficChanged(const TrafficHistory::Change &change);
    void showCounts();

    LineRecorder &recorder_;
    MessageBox &messages_;
    FileDialog &files_;
    ToolDirs dirs_;
    TrafficModel model_;
    QTimer countsTimer_;
    std::array<QLabel *, 6> counts_{};
    std::array<QLabel *, 4> times_{};
    QTableView *table_ = nullptr;
    QPushButton *pause_ = nullptr;
    LineHintLabel *hint_ = nullptr;
};

} // namespace tr
