#include "panels/acquisitionpanel.h"

#include "domain/datafile.h"
#include "domain/opnumber.h"
#include "modbus/decode.h"
#include "panels/seams.h"
#include "serial/link.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tr {

namespace {

// WCAG's relative luminance and contrast ratio (1 to 21).
double luminance(const QColor &c) {
    const auto linear = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
double contrast(const QColor &a, const QColor &b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Fresh values take the palette's text colour (black on the light palette), values not yet
// refreshed red. On a dark base pure red can be too dim to read: it is lightened just enough.
// All value boxes and the value line are line edits and share the one palette of their class.
QColor valueColour(bool fresh) {
    const QPalette palette = QApplication::palette("QLineEdit");
    const QColor text = palette.color(QPalette::Text), base = palette.color(QPalette::Base);
    if (fresh)
        return text;
    QColor red(Qt::red);
    if (luminance(base) >= luminance(text))
        return red; // a light palette: red as it always was
    for (int step = 1; step <= 20 && contrast(red, base) < 4.5; ++step)
        red = QColor::fromRgbF(1.0f, step / 20.0f * 0.8f, step / 20.0f * 0.8f);
    return red;
}

void setTextColour(QLineEdit *box, const QColor &colour) {
    QPalette palette = box->palette();
    if (palette.color(QPalette::Text) == colour)
        return;
    palette.setColor(QPalette::Text, colour);
    box->setPalette(palette);
}

} // namespace

AcquisitionPanel::AcquisitionPanel(const AcquisitionWidgets &w, Link &link, MessageBox &messages,
                                   FileDialog &files, ToolDirs dirs, QObject *parent)
    : QObject(parent), w_(w), link_(link), messages_(messages), files_(files),
      dirs_(std::move(dirs)) {
    // Precise timers: the platform's coarse timers may slip by 5 % of the period.
    cyclicTimer_.setTimerType(Qt::PreciseTimer);
    logTimer_.setTimerType(Qt::PreciseTimer);
    connect(&cyclicTimer_, &QTimer::timeout, this, &AcquisitionPanel::cyclicTick);
    connect(&logTimer_, &QTimer::timeout, this, &AcquisitionPanel::logReading);
    connect(w_.readOnceButton, &QPushButton::clicked, this, &AcquisitionPanel::readOnce);
    connect(w_.startButton, &QPushButton::clicked, this, &AcquisitionPanel::startCyclic);
    connect(w_.stopButton, &QPushButton::clicked, this, &AcquisitionPanel::stopCyclic);
    connect(w_.chooseFileButton, &QPushButton::clicked, this, &AcquisitionPanel::chooseDataFile);
    connect(w_.clearFileButton, &QPushButton::clicked, this, &AcquisitionPanel::clearDataFile);
    connect(&link_, &Link::valuesStale, this, &AcquisitionPanel::markStale);
    connect(&link_, &Link::measurementDecoded, this, &AcquisitionPanel::applyMeasurement);
}

void AcquisitionPanel::tell(const QString &text) {
    if (messageOpen_)
        return;
    if (!inTick_) {
        QScopedValueRollback<bool> open(messageOpen_, true);
        messages_.show(text, promptCaption(), MessageBox::Icon::None);
        return;
    }
    // A timer is not fired again while its own handler runs, so a box opened inside the tick
    // would stop the counting; it opens right after the tick instead.
    messageOpen_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            messages_.show(text, promptCaption(), MessageBox::Icon::None);
            messageOpen_ = false;
        },
        Qt::QueuedConnection);
}

void AcquisitionPanel::readOnce() {
    const QString texts[4] = {w_.station->text(), w_.function->text(), w_.startRegister->text(),
                              w_.registerCount->text()};
    std::optional<double> numbers[4];
    bool allNumbers = true;
    for (int i = 0; i < 4; ++i) {
        numbers[i] = parseOperatorNumber(texts[i]);
        allNumbers = allNumbers && numbers[i].has_value();
    }
    if (!allNumbers) {
        tell(tr("请输入正确的命令，命令、地址、数据长度等都应该是十六进制数据"));
        return;
    }
    // Rounded down, each must fit the byte it travels in.
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        const double whole = roundDown(*numbers[i]);
        if (whole < 0 || whole > 255) {
            tell(tr("请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21"));
            return;
        }
        bytes[i] = static_cast<std::uint8_t>(whole);
    }
    const auto [station, function, start, count] = bytes;
    if (station >= 1 && station <= 250 && count >= 1 && count <= 21) {
        link_.readMeasurement(station, function, start, count);
        return;
    }
    tell(tr("请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21"));
}

void AcquisitionPanel::startCyclic() {
    constexpr long long longest = std::numeric_limits<int>::max();
    const std::optional<long long> period = wholeHalfEven(w_.periods[0]->text(), 1, longest);
    std::optional<long long> storage;
    if (w_.logging->isChecked()) {
        if (const auto seconds = parseOperatorNumber(w_.periods[1]->text())) {
            const double ms = roundHalfEven(*seconds * 1000.0);
            if (ms >= 1 && ms <= static_cast<double>(longest))
                storage = static_cast<long long>(ms);
        }
    }
    if (!period || (w_.logging->isChecked() && !storage)) {
        tell(tr("请输入正确的刷新时长和存储时间间隔"));
        return;
    }

    w_.counter->setText(QStringLiteral("1"));
    ++cyclicRun_;
    cyclicTimer_.start(static_cast<int>(*period));
    if (storage) {
        if (w_.dataFile->text().isEmpty())
            w_.dataFile->setText(dirs_.defaultDataFile());
        logTimer_.start(static_cast<int>(*storage));
    }
}

void AcquisitionPanel::stopCyclic() {
    resumeCyclic_ = resumeLogging_ = false;
    ++cyclicRun_;
    cyclicTimer_.stop();
    logTimer_.stop();
}

void AcquisitionPanel::holdLine() {
    resumeCyclic_ = cyclicTimer_.isActive();
    resumeLogging_ = logTimer_.isActive();
    ++cyclicRun_;
    cyclicTimer_.stop();
    logTimer_.stop();
    w_.readOnceButton->setEnabled(false);
    w_.startButton->setEnabled(false);
}

void AcquisitionPanel::releaseLine() {
    w_.readOnceButton->setEnabled(true);
    w_.startButton->setEnabled(true);
    // With the intervals they had; the counter goes on from where it stood.
    if (std::exchange(resumeCyclic_, false)) {
        ++cyclicRun_;
        cyclicTimer_.start();
    }
    if (std::exchange(resumeLogging_, false))
        logTimer_.start();
}

void AcquisitionPanel::cyclicTick() {
    long long count = w_.counter->text().toLongLong();
    if (count > 65535) {
        count = 0;
        w_.counter->setText(QStringLiteral("0"));
    }
    if (!link_.CommReady())
        return;
    w_.counter->setText(QString::number(count + 1));
    // The read waits 200 ms; inside this handler the timer's later ticks would not be delivered,
    // so it runs right after. A tick meanwhile counts, and its read finds the wait busy. A read
    // still queued when acquisition stops or restarts with another period is not sent.
    QMetaObject::invokeMethod(
        this,
        [this, run = cyclicRun_] {
            if (run != cyclicRun_ || !cyclicTimer_.isActive())
                return;
            QScopedValueRollback<bool> tick(inTick_, true);
            readOnce();
        },
        Qt::QueuedConnection);
}

void AcquisitionPanel::logReading() {
    const QString path = w_.dataFile->text();
    const std::optional<QString> failure =
        appendRecord(path, dataRecord(QDateTime::currentDateTime(), w_.valueLine->text()));
    if (!failure) {
        failingDataFile_.reset();
        return;
    }
    // Said once per path; logging keeps trying at every tick and speaks again after a success.
    if (failingDataFile_ == path)
        return;
    failingDataFile_ = path;
    const QString text =
        tr("数据文件写入失败：%1（%2）").arg(QDir::toNativeSeparators(path), *failure);
    // Opened after the tick has returned, so the logging timer keeps its rhythm meanwhile.
    QMetaObject::invokeMethod(
        this, [this, text] { messages_.show(text, promptCaption(), MessageBox::Icon::None); },
        Qt::QueuedConnection);
}

void AcquisitionPanel::chooseDataFile() {
    FileDialog::Options options;
    options.title = tr("打开文件");
    options.initialDir = dirs_.dialogFolder();
    // Each name is followed by its patterns, which the dialog does not show.
    options.filter = tr("序列号文件 (*.txt) (*.txt);;所有文件（*） (*)");
    options.hideFilterPatterns = true;
    options.mustExist = true;
    const std::optional<QString> chosen = files_.choose(options);
    if (!chosen)
        return;
    w_.dataFile->setText(QDir::toNativeSeparators(*chosen));
}

void AcquisitionPanel::clearDataFile() {
    const QString path = w_.dataFile->text();
    if (const std::optional<QString> failure = replaceFile(path, clearedDataFile()))
        messages_.show(tr("清空文件失败：%1（%2）").arg(QDir::toNativeSeparators(path), *failure),
                       promptCaption(), MessageBox::Icon::None);
}

void AcquisitionPanel::markStale() {
    const QColor stale = valueColour(false);
    for (QLineEdit *box : w_.values)
        setTextColour(box, stale);
}

void AcquisitionPanel::applyMeasurement(const DecodedAnswer &answer) {
    const QColor fresh = valueColour(true);
    setTextColour(w_.valueLine, valueColour(false));
    for (const Reading &reading : answer.readings) {
        QLineEdit *box = w_.values[static_cast<std::size_t>(reading.box)];
        box->setText(displayText(reading));
        setTextColour(box, fresh);
    }
    w_.valueLine->setText(valueLine(answer.readings));
    setTextColour(w_.valueLine, fresh);
}

} // namespace tr
