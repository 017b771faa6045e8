#include "panels/linepanel.h"

#include "domain/datafile.h"
#include "modbus/hextext.h"
#include "monitor/linerecorder.h"
#include "panels/linehintlabel.h"
#include "panels/seams.h"

#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace tr {

namespace {

// The counters on the tab change at most this often; nothing is done while the tab is hidden.
constexpr int kCountsRefreshMs = 500;

enum Column { TimeColumn, DirectionColumn, BytesColumn, StatusColumn, ColumnCount };

QString milliseconds(double ms) {
    return QString::number(ms, 'f', 2);
}

} // namespace

TrafficModel::TrafficModel(const TrafficHistory &history, QObject *parent)
    : QAbstractTableModel(parent), history_(history) {}

int TrafficModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(shown_);
}

int TrafficModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::statusText(AnswerStatus status) {
    switch (status) {
    case AnswerStatus::Ok:
    case AnswerStatus::Station:
    case AnswerStatus::Function:
    case AnswerStatus::Length:
        return tr("已解码");
    case AnswerStatus::Crc:
        return tr("CRC错误");
    case AnswerStatus::Short:
        return tr("不完整");
    case AnswerStatus::NoAnswer:
        return tr("无应答");
    case AnswerStatus::Exception:
        return tr("异常应答");
    }
    return {};
}

QString TrafficModel::directionText(TrafficLine::Direction direction) {
    return direction == TrafficLine::Direction::Sent ? tr("发送") : tr("接收");
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const {
    // Rows the view still has while their lines are already gone read as empty.
    const qsizetype row = index.isValid() ? index.row() - dropped_ : -1;
    if (row < 0 || row >= history_.size() || role != Qt::DisplayRole)
        return {};
    const TrafficLine &line = history_.at(row);
    switch (index.column()) {
    case TimeColumn:
        return QDateTime::fromMSecsSinceEpoch(line.wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
    case DirectionColumn:
        return directionText(line.direction);
    case BytesColumn:
        return receivedHex(line.bytes).trimmed();
    case StatusColumn:
        return line.status ? statusText(*line.status) : QString();
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return tr("时间");
    case DirectionColumn:
        return tr("方向");
    case BytesColumn:
        return tr("数据");
    case StatusColumn:
        return tr("结果");
    default:
        return {};
    }
}

void TrafficModel::changed(const TrafficHistory::Change &change, bool viewVisible) {
    if (change.added == 0 && change.removedFirst == 0)
        return;
    if (behind_ || !viewVisible) {
        if (!behind_) {
            beginResetModel();
            behind_ = true;
            shown_ = 0;
            dropped_ = 0;
            endResetModel();
        }
        return;
    }
    // The history has changed already; the view is told in two steps, each consistent.
    dropped_ += change.removedFirst;
    if (dropped_ > 0) {
        beginRemoveRows({}, 0, int(dropped_) - 1);
        shown_ -= dropped_;
        dropped_ = 0;
        endRemoveRows();
    }
    if (change.added > 0) {
        beginInsertRows({}, int(shown_), int(shown_ + change.added) - 1);
        shown_ += change.added;
        endInsertRows();
    }
}

void TrafficModel::catchUp() {
    if (behind_)
        restart();
}

void TrafficModel::restart() {
    beginResetModel();
    behind_ = false;
    shown_ = history_.size();
    dropped_ = 0;
    endResetModel();
}

LinePanel::LinePanel(LineRecorder &recorder, MessageBox &messages, FileDialog &files, ToolDirs dirs,
                     QWidget *parent)
    : QWidget(parent), recorder_(recorder), messages_(messages), files_(files),
      dirs_(std::move(dirs)), model_(recorder.history()) {
    auto *box = new QGroupBox(tr("通信统计"), this);
    auto *grid = new QGridLayout(box);
    const QString countNames[6] = {tr("请求"),    tr("解码成功"), tr("无应答"),
                                   tr("CRC错误"), tr("不完整"),   tr("异常应答")};
    static const char *const countObjects[6] = {"lblStatsRequests", "lblStatsDecoded",
                                                "lblStatsNoAnswer", "lblStatsBadCrc",
                                                "lblStatsShort",    "lblStatsException"};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(new QLabel(countNames[i], box), 0, 2 * i);
        counts_[std::size_t(i)] = new QLabel(QStringLiteral("0"), box);
        counts_[std::size_t(i)]->setObjectName(QLatin1String(countObjects[i]));
        counts_[std::size_t(i)]->setMinimumWidth(44);
        grid->addWidget(counts_[std::size_t(i)], 0, 2 * i + 1);
    }
    grid->addWidget(new QLabel(tr("应答时间(ms)"), box), 1, 0, 1, 2);
    const QString timeNames[4] = {tr("最小"), tr("中位数"), tr("P99"), tr("最大")};
    static const char *const timeObjects[4] = {"lblStatsMin", "lblStatsMedian", "lblStatsP99",
                                               "lblStatsMax"};
    for (int i = 0; i < 4; ++i) {
        grid->addWidget(new QLabel(timeNames[i], box), 1, 2 + 2 * i);
        times_[std::size_t(i)] = new QLabel(QStringLiteral("-"), box);
        times_[std::size_t(i)]->setObjectName(QLatin1String(timeObjects[i]));
        grid->addWidget(times_[std::size_t(i)], 1, 3 + 2 * i);
    }
    auto *reset = new QPushButton(tr("清零"), box);
    reset->setObjectName(QStringLiteral("cmdStatsReset"));
    grid->addWidget(reset, 1, 10, 1, 2);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("tblTraffic"));
    table_->setModel(&model_);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionResizeMode(BytesColumn, QHeaderView::Stretch);
    table_->setColumnWidth(TimeColumn, 96);
    table_->setColumnWidth(DirectionColumn, 40);
    table_->setColumnWidth(StatusColumn, 70);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);

    pause_ = new QPushButton(tr("暂停"), this);
    pause_->setObjectName(QStringLiteral("cmdTrafficPause"));
    auto *clear = new QPushButton(tr("清空"), this);
    clear->setObjectName(QStringLiteral("cmdTrafficClear"));
    auto *save = new QPushButton(tr("保存记录"), this);
    save->setObjectName(QStringLiteral("cmdTrafficSave"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(tr("通信记录（最近10000条）"), this));
    buttons->addStretch();
    buttons->addWidget(pause_);
    buttons->addWidget(clear);
    buttons->addWidget(save);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(box);
    layout->addLayout(buttons);
    layout->addWidget(table_, 1);
    // Below the table, which gives way: nothing the operator may be about to click moves.
    hint_ = new LineHintLabel(this);
    layout->addWidget(hint_);

    connect(reset, &QPushButton::clicked, this, &LinePanel::resetStatistics);
    connect(pause_, &QPushButton::clicked, this, &LinePanel::pauseOrResumeTraffic);
    connect(clear, &QPushButton::clicked, this, &LinePanel::clearTraffic);
    connect(save, &QPushButton::clicked, this, &LinePanel::saveTraffic);
    connect(&recorder_, &LineRecorder::trafficChanged, this, &LinePanel::trafficChanged);
    connect(&recorder_, &LineRecorder::requestConcluded, hint_, &LineHintLabel::concluded);
    countsTimer_.setInterval(kCountsRefreshMs);
    connect(&countsTimer_, &QTimer::timeout, this, &LinePanel::showCounts);
}

void LinePanel::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    model_.catchUp();
    table_->scrollToBottom();
    showCounts();
}

void LinePanel::trafficChanged(const TrafficHistory::Change &change) {
    const bool shown = isVisible();
    model_.changed(change, shown);
    if (shown && !recorder_.history().paused())
        table_->scrollToBottom();
    // The counters follow while the tab is shown, at most every half second.
    if (shown && !countsTimer_.isActive())
        countsTimer_.start();
}

void LinePanel::showCounts() {
    if (!isVisible()) {
        countsTimer_.stop();
        return;
    }
    const LineStatistics::Counts &c = recorder_.statistics().counts();
    const qint64 values[6] = {c.requests, c.decoded,      c.noAnswer,
                              c.badCrc,   c.shortAnswers, c.exceptions};
    for (std::size_t i = 0; i < counts_.size(); ++i)
        counts_[i]->setText(QString::number(values[i]));
    const LineStatistics::AnswerTimes t = recorder_.statistics().answerTimes();
    const double ms[4] = {t.minMs, t.medianMs, t.p99Ms, t.maxMs};
    for (std::size_t i = 0; i < times_.size(); ++i)
        times_[i]->setText(t.count > 0 ? milliseconds(ms[i]) : QStringLiteral("-"));
}

void LinePanel::resetStatistics() {
    recorder_.resetStatistics();
    showCounts();
}

void LinePanel::pauseOrResumeTraffic() {
    const bool pausing = !recorder_.history().paused();
    pause_->setText(pausing ? tr("继续") : tr("暂停"));
    if (pausing) {
        recorder_.pauseTraffic();
    } else {
        model_.changed(recorder_.resumeTraffic(), isVisible());
        table_->scrollToBottom();
    }
}

void LinePanel::clearTraffic() {
    recorder_.clearTraffic();
    model_.restart();
}

void LinePanel::saveTraffic() {
    FileDialog::Options options;
    options.title = tr("保存记录");
    options.initialDir = dirs_.dialogFolder();
    options.filter = tr("文本文件 (*.txt);;所有文件 (*)");
    options.save = true;
    options.confirmOverwrite = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return;
    const std::array<QString, 2> directions = {
        TrafficModel::directionText(TrafficLine::Direction::Sent),
        TrafficModel::directionText(TrafficLine::Direction::Received)};
    if (const auto failure = replaceFile(
            *chosen, trafficText(recorder_.history(), directions, &TrafficModel::statusText)))
        messages_.show(
            tr("记录保存失败：%1（%2）").arg(QDir::toNativeSeparators(*chosen), *failure),
            promptCaption(), MessageBox::Icon::None);
}

} // namespace tr
