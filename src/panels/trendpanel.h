#pragma once

#include "domain/tooldirs.h"
#include "monitor/chunkedjob.h"
#include "monitor/decimator.h"
#include "monitor/samplestore.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace tr {

class FileDialog;
class Link;
class MessageBox;
class TrendChart;
struct DecodedAnswer;

// The "趋势" tab: every decoded measurement on a chart of the last 24 hours, a time range to
// choose, pause, wheel zoom, the chart as PNG, the samples in view as csv, and data files
// (the window's own or the command line's csv) to look at instead of the live view.
class TrendPanel : public QWidget {
    Q_OBJECT
public:
    enum class Range { OneMinute, TenMinutes, OneHour, EightHours, All };

    TrendPanel(Link &link, MessageBox &messages, FileDialog &files, ToolDirs dirs,
               QWidget *parent = nullptr);
    ~TrendPanel() override;

    SampleStore &liveStore() { return live_; }
    // The live samples, or the loaded file's.
    const SampleStore &shownStore() const { return file_ ? *file_ : live_; }
    bool showingFile() const { return file_ != nullptr; }
    bool following() const { return !file_ && !paused_ && !zoom_; }
    bool busy() const { return job_ != nullptr; }
    TrendChart &chart() { return *chart_; }

    void addMeasurement(const DecodedAnswer &answer);
    // A measurement read that got no answer: a gap in every line.
    void addGap(qint64 wallMs);

    void setRange(Range range);
    void pauseOrResume();
    void resetZoom();
    void savePicture();
    void exportCsv();
    void openDataFile();
    void moveToOwnWindow();
    void cancelLoading();
    void zoom(double factor, qint64 anchorMs);

    // Works out and draws the chart now (otherwise a drawing is posted when something changed
    // while the tab is shown).
    void refresh();
    // Starts a fresh summary of the rows next time (the bench times both kinds of drawing).
    void forgetColumns() { decimator_ = Decimator(); }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The save dialog; a name without a suffix gets `suffix`. Nothing when cancelled.
    std::optional<QString> chooseSavePath(const QString &title, const QString &filter,
                                          const QString &suffix);
    void scheduleRefresh();
    std::pair<qint64, qint64> viewRange() const;
    void startJob(std::unique_ptr<ChunkedJob> job, const QString &what,
                  std::function<void(ChunkedJob &)> done);
    void runJob();
    void fileLoaded(ChunkedJob &job, const QString &path);
    void updateButtons();
    void tell(const QString &text);

    MessageBox &messages_;
    FileDialog &files_;
    ToolDirs dirs_;
    SampleStore live_{SampleStore::kLive};
    std::unique_ptr<SampleStore> file_;
    Decimator decimator_;
    Range range_ = Range::TenMinutes;
    bool paused_ = false;
    qint64 pausedAt_ = 0;
    std::optional<std::pair<qint64, qint64>> zoom_;
    qint64 viewFrom_ = 0, viewTo_ = 0;
    bool refreshPosted_ = false;

    TrendChart *chart_ = nullptr;
    QComboBox *rangeBox_ = nullptr;
    QPushButton *pause_ = nullptr, *export_ = nullptr, *open_ = nullptr, *windowButton_ = nullptr;
    QWidget *progress_ = nullptr;
    QProgressBar *progressBar_ = nullptr;
    QLabel *progressText_ = nullptr;
    QLabel *elsewhere_ = nullptr;
    QVBoxLayout *layout_ = nullptr;
    QWidget *ownWindow_ = nullptr;

    std::unique_ptr<ChunkedJob> job_;
    std::function<void(ChunkedJob &)> jobDone_;
    QTimer jobTimer_;
};

} // namespace tr
