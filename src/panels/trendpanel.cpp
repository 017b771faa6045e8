#include "panels/trendpanel.h"

#include "modbus/decode.h"
#include "monitor/samplecsv.h"
#include "monitor/sampleloader.h"
#include "monitor/wallclock.h"
#include "panels/seams.h"
#include "panels/trendchart.h"
#include "serial/link.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tr {

namespace {

constexpr qint64 kMinute = 60 * 1000;
// Each slice of a load or an export returns to the window after this long, and the next one
// starts a millisecond later, so that timers and the serial port are served in between.
constexpr int kSliceMs = 30;
constexpr int kBetweenSlicesMs = 1;
// The narrowest view the wheel zooms to.
constexpr qint64 kNarrowestMs = 2000;

qint64 spanOf(TrendPanel::Range range) {
    switch (range) {
    case TrendPanel::Range::OneMinute:
        return kMinute;
    case TrendPanel::Range::TenMinutes:
        return 10 * kMinute;
    case TrendPanel::Range::OneHour:
        return 60 * kMinute;
    case TrendPanel::Range::EightHours:
        return 8 * 60 * kMinute;
    case TrendPanel::Range::All:
        break;
    }
    return 0;
}

// The style's buttons are at least 80 px wide, too wide for eight controls in one row of the
// fixed window: each is as wide as the longest text it shows, and no narrower.
QPushButton *button(const QString &text, const char *name, QWidget *parent,
                    const QString &other = QString()) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin);
    const QFontMetrics fm = b->fontMetrics();
    b->setFixedWidth(std::max(fm.horizontalAdvance(text), fm.horizontalAdvance(other)) +
                     2 * margin + 8);
    return b;
}

} // namespace

TrendPanel::TrendPanel(Link &link, MessageBox &messages, FileDialog &files, ToolDirs dirs,
                       QWidget *parent)
    : QWidget(parent), messages_(messages), files_(files), dirs_(std::move(dirs)) {
    rangeBox_ = new QComboBox(this);
    rangeBox_->setObjectName(QStringLiteral("cmbTrendRange"));
    rangeBox_->addItems({tr("1 分钟"), tr("10 分钟"), tr("1 小时"), tr("8 小时"), tr("全部")});
    rangeBox_->setCurrentIndex(int(range_));
    pause_ = button(tr("暂停"), "cmdTrendPause", this, tr("继续"));
    auto *reset = button(tr("复位"), "cmdTrendReset", this);
    reset->setToolTip(tr("缩放复位：回到所选的时间范围"));
    auto *picture = button(tr("保存图片"), "cmdTrendSavePicture", this);
    export_ = button(tr("导出CSV"), "cmdTrendExportCsv", this);
    open_ = button(tr("打开数据文件"), "cmdTrendOpenFile", this);
    windowButton_ = button(tr("独立窗口"), "cmdTrendWindow", this);

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(tr("时间范围"), this));
    controls->addWidget(rangeBox_);
    controls->addWidget(pause_);
    controls->addWidget(reset);
    controls->addStretch();
    controls->addWidget(picture);
    controls->addWidget(export_);
    controls->addWidget(open_);
    controls->addWidget(windowButton_);

    progress_ = new QWidget(this);
    progressText_ = new QLabel(progress_);
    progressBar_ = new QProgressBar(progress_);
    progressBar_->setObjectName(QStringLiteral("barTrendProgress"));
    progressBar_->setRange(0, 1000);
    auto *cancel = button(tr("取消"), "cmdTrendCancel", progress_);
    auto *progressRow = new QHBoxLayout(progress_);
    progressRow->setContentsMargins(0, 0, 0, 0);
    progressRow->addWidget(progressText_);
    progressRow->addWidget(progressBar_, 1);
    progressRow->addWidget(cancel);
    progress_->hide();

    chart_ = new TrendChart(this);
    chart_->setObjectName(QStringLiteral("chtTrend"));
    elsewhere_ = new QLabel(tr("趋势图显示在独立窗口中"), this);
    elsewhere_->setAlignment(Qt::AlignCenter);
    elsewhere_->hide();

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(4, 4, 4, 4);
    layout_->setSpacing(4);
    layout_->addLayout(controls);
    layout_->addWidget(progress_);
    layout_->addWidget(chart_, 1);
    layout_->addWidget(elsewhere_, 1);

    connect(rangeBox_, &QComboBox::activated, this, [this](int i) { setRange(Range(i)); });
    connect(pause_, &QPushButton::clicked, this, &TrendPanel::pauseOrResume);
    connect(reset, &QPushButton::clicked, this, &TrendPanel::resetZoom);
    connect(picture, &QPushButton::clicked, this, &TrendPanel::savePicture);
    connect(export_, &QPushButton::clicked, this, &TrendPanel::exportCsv);
    connect(open_, &QPushButton::clicked, this, &TrendPanel::openDataFile);
    connect(windowButton_, &QPushButton::clicked, this, &TrendPanel::moveToOwnWindow);
    connect(cancel, &QPushButton::clicked, this, &TrendPanel::cancelLoading);
    connect(chart_, &TrendChart::zoomRequested, this, &TrendPanel::zoom);
    connect(chart_, &TrendChart::shownChanged, this, &TrendPanel::refresh);
    connect(chart_, &TrendChart::plotResized, this, &TrendPanel::scheduleRefresh);
    connect(&link, &Link::measurementDecoded, this, &TrendPanel::addMeasurement);
    jobTimer_.setTimerType(Qt::PreciseTimer);
    connect(&jobTimer_, &QTimer::timeout, this, &TrendPanel::runJob);
}

TrendPanel::~TrendPanel() {
    // The chart may live in its own window; it goes with the panel.
    if (ownWindow_)
        ownWindow_->removeEventFilter(this);
    delete ownWindow_;
}

void TrendPanel::tell(const QString &text) {
    messages_.show(text, promptCaption(), MessageBox::Icon::None);
}

void TrendPanel::addMeasurement(const DecodedAnswer &answer) {
    live_.add(wallMsNow(), valuesOf(answer.readings));
    if (following())
        scheduleRefresh();
}

void TrendPanel::addGap(qint64 wallMs) {
    live_.addGap(wallMs);
    if (following())
        scheduleRefresh();
}

void TrendPanel::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    scheduleRefresh();
}

void TrendPanel::scheduleRefresh() {
    // Drawn once the answer that caused it has been shown, and never while nobody looks.
    if (refreshPosted_ || !chart_->isVisible())
        return;
    refreshPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshPosted_ = false;
            refresh();
        },
        Qt::QueuedConnection);
}

std::pair<qint64, qint64> TrendPanel::viewRange() const {
    if (zoom_)
        return *zoom_;
    const SampleStore &store = shownStore();
    const bool empty = store.isEmpty();
    const qint64 first = empty ? 0 : store.row(store.firstIndex()).ms;
    qint64 to = paused_ ? pausedAt_ : wallMsNow();
    if (file_ && !store.isEmpty())
        to = store.row(store.endIndex() - 1).ms + 1;
    qint64 span = range_ == Range::All ? (empty ? 10 * kMinute : to - first) : spanOf(range_);
    span = std::max(span, kNarrowestMs);
    if (following()) {
        // The axis steps on by about a twentieth of the view, so that in between only the
        // newest columns are drawn again.
        const qint64 column = columnWidthFor(span, chart_->plotWidth());
        const qint64 step = column * std::max<qint64>(1, span / 20 / column);
        to = (to / step + 1) * step;
        if (range_ == Range::All && !empty)
            return {first / step * step, to};
    }
    return {to - span, to};
}

void TrendPanel::refresh() {
    const auto [from, to] = viewRange();
    viewFrom_ = from;
    viewTo_ = to;
    const qint64 column = columnWidthFor(to - from, chart_->plotWidth());
    const Traces &traces = decimator_.trace(shownStore(), from, to, column);
    chart_->draw(traces, from, to, decimator_.changedFromMs());
}

void TrendPanel::setRange(Range range) {
    range_ = range;
    rangeBox_->setCurrentIndex(int(range));
    zoom_.reset();
    refresh();
}

void TrendPanel::zoom(double factor, qint64 anchorMs) {
    const auto [from, to] = viewRange();
    qint64 newFrom = anchorMs - qint64(double(anchorMs - from) * factor);
    qint64 newTo = anchorMs + qint64(double(to - anchorMs) * factor);
    if (newTo - newFrom < kNarrowestMs) {
        newFrom = anchorMs - kNarrowestMs / 2;
        newTo = newFrom + kNarrowestMs;
    }
    zoom_ = {newFrom, newTo};
    updateButtons();
    refresh();
}

void TrendPanel::resetZoom() {
    zoom_.reset();
    updateButtons();
    refresh();
}

void TrendPanel::pauseOrResume() {
    if (file_) {
        // Back to the live view; the file's samples are let go.
        file_.reset();
        paused_ = false;
    } else {
        paused_ = !paused_;
        pausedAt_ = wallMsNow();
    }
    zoom_.reset();
    updateButtons();
    refresh();
}

void TrendPanel::updateButtons() {
    pause_->setText(file_ || paused_ ? tr("继续") : tr("暂停"));
    const bool idle = !job_;
    pause_->setEnabled(idle);
    export_->setEnabled(idle);
    open_->setEnabled(idle);
}

std::optional<QString> TrendPanel::chooseSavePath(const QString &title, const QString &filter,
                                                  const QString &suffix) {
    FileDialog::Options options;
    options.title = title;
    options.initialDir = dirs_.dialogFolder();
    options.filter = filter;
    options.save = true;
    options.confirmOverwrite = true;
    std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    if (QFileInfo(*chosen).suffix().isEmpty())
        *chosen += suffix;
    return chosen;
}

void TrendPanel::savePicture() {
    const std::optional<QString> chosen =
        chooseSavePath(tr("保存图片"), tr("PNG 图片 (*.png)"), QStringLiteral(".png"));
    if (!chosen)
        return;
    if (!chart_->grab().save(*chosen, "PNG"))
        tell(tr("图片保存失败：%1").arg(QDir::toNativeSeparators(*chosen)));
}

void TrendPanel::exportCsv() {
    if (job_)
        return;
    const std::optional<QString> chosen =
        chooseSavePath(tr("导出CSV"), tr("CSV 文件 (*.csv)"), QStringLiteral(".csv"));
    if (!chosen)
        return;
    const QString path = *chosen;
    startJob(
        std::make_unique<SampleCsvWriter>(shownStore(), viewFrom_, viewTo_, path), tr("正在导出"),
        [this, path](ChunkedJob &job) {
            const auto &failure = static_cast<SampleCsvWriter &>(job).failure();
            if (!failure)
                return;
            if (failure->kind == SampleCsvWriter::Failure::Kind::StoreChanged)
                tell(tr("导出未完成：数据在导出时被替换"));
            else
                tell(tr("导出失败：%1（%2）").arg(QDir::toNativeSeparators(path), failure->reason));
        });
}

void TrendPanel::openDataFile() {
    if (job_)
        return;
    FileDialog::Options options;
    options.title = tr("打开数据文件");
    options.initialDir = dirs_.dialogFolder();
    options.filter = tr("数据文件 (*.txt *.csv);;所有文件 (*)");
    options.mustExist = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen || chosen->isEmpty())
        return;
    const QString path = *chosen;
    startJob(std::make_unique<SampleFileLoader>(path), tr("正在读取"),
             [this, path](ChunkedJob &job) { fileLoaded(job, path); });
}

void TrendPanel::fileLoaded(ChunkedJob &job, const QString &path) {
    auto &loader = static_cast<SampleFileLoader &>(job);
    const LoadSummary &s = loader.summary();
    const QString shown = QDir::toNativeSeparators(path);
    switch (s.failure) {
    case LoadSummary::Failure::Unreadable:
        tell(tr("无法打开文件：%1（%2）").arg(shown, s.reason));
        return;
    case LoadSummary::Failure::NotText:
        tell(tr("不是数据文件（含有非文本内容）：%1").arg(shown));
        return;
    case LoadSummary::Failure::None:
        break;
    }
    const QString skipped =
        s.malformed > 0
            ? tr("%1 行格式错误，已跳过，第一处在第 %2 行。").arg(s.malformed).arg(s.firstBadLine)
            : QString();
    if (s.samples == 0) {
        tell(tr("文件中没有可显示的数据：%1").arg(shown) +
             (skipped.isEmpty() ? QString() : QStringLiteral("\n") + skipped));
        return;
    }
    file_ = std::make_unique<SampleStore>(std::move(loader.store()));
    zoom_.reset();
    range_ = Range::All;
    rangeBox_->setCurrentIndex(int(range_));
    updateButtons();
    refresh();
    if (!skipped.isEmpty())
        tell(tr("已打开 %1，").arg(shown) + skipped);
}

void TrendPanel::startJob(std::unique_ptr<ChunkedJob> job, const QString &what,
                          std::function<void(ChunkedJob &)> done) {
    job_ = std::move(job);
    jobDone_ = std::move(done);
    progressText_->setText(what);
    progressBar_->setValue(0);
    progress_->show();
    updateButtons();
    jobTimer_.start(kBetweenSlicesMs);
}

void TrendPanel::runJob() {
    if (!job_) {
        jobTimer_.stop();
        return;
    }
    const bool more = job_->step(QDeadlineTimer(kSliceMs));
    progressBar_->setValue(int(job_->progress() * 1000));
    if (more)
        return;
    jobTimer_.stop();
    std::unique_ptr<ChunkedJob> finished = std::move(job_);
    const auto done = std::move(jobDone_);
    progress_->hide();
    updateButtons();
    done(*finished);
}

void TrendPanel::cancelLoading() {
    jobTimer_.stop();
    job_.reset();
    jobDone_ = nullptr;
    progress_->hide();
    updateButtons();
}

void TrendPanel::moveToOwnWindow() {
    if (ownWindow_) {
        ownWindow_->raise();
        ownWindow_->activateWindow();
        return;
    }
    ownWindow_ = new QWidget(nullptr, Qt::Window);
    ownWindow_->setWindowTitle(tr("趋势"));
    ownWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    auto *l = new QVBoxLayout(ownWindow_);
    l->setContentsMargins(0, 0, 0, 0);
    layout_->removeWidget(chart_);
    l->addWidget(chart_);
    elsewhere_->show();
    windowButton_->setEnabled(false);
    ownWindow_->installEventFilter(this);
    ownWindow_->resize(900, 520);
    ownWindow_->show();
    scheduleRefresh();
}

bool TrendPanel::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ownWindow_ && event->type() == QEvent::Close) {
        // The chart comes back to the tab.
        ownWindow_->layout()->removeWidget(chart_);
        layout_->insertWidget(2, chart_, 1);
        chart_->show();
        elsewhere_->hide();
        windowButton_->setEnabled(true);
        ownWindow_->removeEventFilter(this);
        ownWindow_->deleteLater();
        ownWindow_ = nullptr;
        scheduleRefresh();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tr
