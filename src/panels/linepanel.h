#pragma once

#include "domain/tooldirs.h"
#include "modbus/answer.h"
#include "monitor/linestatistics.h"
#include "monitor/requesttracker.h"
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
class Link;
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

    static QString verdictText(AnswerStatus status);
    static QString directionText(TrafficLine::Direction direction);

private:
    const TrafficHistory &history_;
    bool behind_ = false;
    qsizetype shown_ = 0;   // rows the view knows
    qsizetype dropped_ = 0; // lines gone from the front the view has not been told of
};

// The "通信" tab: the line's counters and answer times, and every frame sent and received.
// It listens to the link's observation signals and never acts on the link.
class LinePanel : public QWidget {
    Q_OBJECT
public:
    LinePanel(Link &link, MessageBox &messages, FileDialog &files, ToolDirs dirs,
              QWidget *parent = nullptr);

    const LineStatistics &statistics() const { return statistics_; }
    const TrafficHistory &history() const { return history_; }

    void cmdStatsReset_Click();
    void cmdTrafficPause_Click();
    void cmdTrafficClear_Click();
    void cmdTrafficSave_Click();

signals:
    // A measurement read that got no decoded answer, at the time it was written: a gap.
    void measurementFailed(qint64 wallMs);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void requestObserved(const QByteArray &bytes, AnswerKind kind, std::int64_t atMicros);
    void answerObserved(const QByteArray &bytes, const Judgement &judgement, bool taken,
                        std::int64_t atMicros);
    void conclude(const RequestOutcome &outcome, std::int64_t atMicros);
    void addLine(TrafficLine line);
    void showCounts();

    MessageBox &messages_;
    FileDialog &files_;
    ToolDirs dirs_;
    RequestTracker tracker_;
    LineStatistics statistics_;
    TrafficHistory history_;
    TrafficModel model_;
    QTimer countsTimer_;
    std::array<QLabel *, 6> counts_{};
    std::array<QLabel *, 4> times_{};
    QTableView *table_ = nullptr;
    QPushButton *pause_ = nullptr;
};

} // namespace tr
