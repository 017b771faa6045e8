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
    Timer1_.setTimerType(Qt::PreciseTimer);
    Timer2_.setTimerType(Qt::PreciseTimer);
    connect(&Timer1_, &QTimer::timeout, this, &AcquisitionPanel::Timer1_Timer);
    connect(&Timer2_, &QTimer::timeout, this, &AcquisitionPanel::Timer2_Timer);
    connect(w_.comDoOnce, &QPushButton::clicked, this, &AcquisitionPanel::comDoOnce_Click);
    connect(w_.cmdOneM, &QPushButton::clicked, this, &AcquisitionPanel::cmdOneM_Click);
    connect(w_.cmdStopOnce, &QPushButton::clicked, this, &AcquisitionPanel::cmdStopOnce_Click);
    connect(w_.CommandChangeFile, &QPushButton::clicked, this,
            &AcquisitionPanel::CommandChangeFile_Click);
    connect(w_.cmdClearTxt, &QPushButton::clicked, this, &AcquisitionPanel::cmdClearTxt_Click);
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

void AcquisitionPanel::comDoOnce_Click() {
    const QString texts[4] = {w_.txtStationID->text(), w_.txtFunID->text(), w_.txtStartID->text(),
                              w_.txtDataLength->text()};
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
    const auto [StationAddr, FunctionCode, StartAddr, DataLength] = bytes;
    if (StationAddr >= 1 && StationAddr <= 250 && DataLength >= 1 && DataLength <= 21) {
        link_.readMeasurement(StationAddr, FunctionCode, StartAddr, DataLength);
        return;
    }
    tell(tr("请输入正确的地址、数据长度，地址和数据长度不能为0，数据长度值范围为1-21"));
}

void AcquisitionPanel::cmdOneM_Click() {
    constexpr long long longest = std::numeric_limits<int>::max();
    const std::optional<long long> period = wholeHalfEven(w_.txtTimerSet[0]->text(), 1, longest);
    std::optional<long long> storage;
    if (w_.CheckSave->isChecked()) {
        if (const auto seconds = parseOperatorNumber(w_.txtTimerSet[1]->text())) {
            const double ms = roundHalfEven(*seconds * 1000.0);
            if (ms >= 1 && ms <= static_cast<double>(longest))
                storage = static_cast<long long>(ms);
        }
    }
    if (!period || (w_.CheckSave->isChecked() && !storage)) {
        tell(tr("请输入正确的刷新时长和存储时间间隔"));
        return;
    }

    w_.lblCounter->setText(QStringLiteral("1"));
    ++timer1Run_;
    Timer1_.start(static_cast<int>(*period));
    if (storage) {
        if (w_.txtFilePath->text().isEmpty())
            w_.txtFilePath->setText(dirs_.defaultDataFile());
        Timer2_.start(static_cast<int>(*storage));
    }
}

void AcquisitionPanel::cmdStopOnce_Click() {
    resumeCyclic_ = resumeLogging_ = false;
    ++timer1Run_;
    Timer1_.stop();
    Timer2_.stop();
}

void AcquisitionPanel::holdLine() {
    resumeCyclic_ = Timer1_.isActive();
    resumeLogging_ = Timer2_.isActive();
    ++timer1Run_;
    Timer1_.stop();
    Timer2_.stop();
    w_.comDoOnce->setEnabled(false);
    w_.cmdOneM->setEnabled(false);
}

void AcquisitionPanel::releaseLine() {
    w_.comDoOnce->setEnabled(true);
    w_.cmdOneM->setEnabled(true);
    // With the intervals they had; the counter goes on from where it stood.
    if (std::exchange(resumeCyclic_, false)) {
        ++timer1Run_;
        Timer1_.start();
    }
    if (std::exchange(resumeLogging_, false))
        Timer2_.start();
}

void AcquisitionPanel::Timer1_Timer() {
    long long count = w_.lblCounter->text().toLongLong();
    if (count > 65535) {
        count = 0;
        w_.lblCounter->setText(QStringLiteral("0"));
    }
    if (!link_.CommReady())
        return;
    w_.lblCounter->setText(QString::number(count + 1));
    // The read waits 200 ms; inside this handler the timer's later ticks would not be delivered,
    // so it runs right after. A tick meanwhile counts, and its read finds the wait busy. A read
    // still queued when acquisition stops or restarts with another period is not sent.
    QMetaObject::invokeMethod(
        this,
        [this, run = timer1Run_] {
            if (run != timer1Run_ || !Timer1_.isActive())
                return;
            QScopedValueRollback<bool> tick(inTick_, true);
            comDoOnce_Click();
        },
        Qt::QueuedConnection);
}

void AcquisitionPanel::Timer2_Timer() {
    Dosave();
}

void AcquisitionPanel::Dosave() {
    const QString path = w_.txtFilePath->text();
    const std::optional<QString> failure =
        appendRecord(path, dataRecord(QDateTime::currentDateTime(), w_.txtOutPut->text()));
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

void AcquisitionPanel::CommandChangeFile_Click() {
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
    w_.txtFilePath->setText(QDir::toNativeSeparators(*chosen));
}

void AcquisitionPanel::cmdClearTxt_Click() {
    const QString path = w_.txtFilePath->text();
    if (const std::optional<QString> failure = replaceFile(path, clearedDataFile()))
        messages_.show(tr("清空文件失败：%1（%2）").arg(QDir::toNativeSeparators(path), *failure),
                       promptCaption(), MessageBox::Icon::None);
}

void AcquisitionPanel::markStale() {
    const QColor stale = valueColour(false);
    for (QLineEdit *box : w_.txtValue)
        setTextColour(box, stale);
}

void AcquisitionPanel::applyMeasurement(const DecodedAnswer &answer) {
    const QColor fresh = valueColour(true);
    setTextColour(w_.txtOutPut, valueColour(false));
    for (const Reading &reading : answer.readings) {
        QLineEdit *box = w_.txtValue[static_cast<std::size_t>(reading.box)];
        box->setText(displayText(reading));
        setTextColour(box, fresh);
    }
    w_.txtOutPut->setText(valueLine(answer.readings));
    setTextColour(w_.txtOutPut, fresh);
}

} // namespace tr
