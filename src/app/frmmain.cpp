#include "app/frmmain.h"

#include "domain/settingsfile.h"
#include "panels/acquisitionpanel.h"
#include "panels/calibrationpanel.h"
#include "panels/linehintlabel.h"
#include "panels/linepanel.h"
#include "panels/manualwindow.h"
#include "panels/modulefinder.h"
#include "panels/opaquebackground.h"
#include "panels/portpanel.h"
#include "panels/seams.h"
#include "panels/trendpanel.h"
#include "ui_frmmain.h"
#include "version/version.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

// The images live in a static library; nothing would pull them in without this.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tr {

namespace {

template <typename W, std::size_t N>
std::array<W *, N> controlArray(QWidget &root, const char *name) {
    std::array<W *, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const QString objectName =
            QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(static_cast<int>(i));
        out[i] = root.findChild<W *>(objectName);
        Q_ASSERT_X(out[i], "controlArray", qPrintable(objectName));
    }
    return out;
}

QString settingsReason(const SettingsError &error) {
    switch (error.kind) {
    case SettingsError::Kind::Unreadable:
        break;
    case SettingsError::Kind::Missing:
        return frmMain::tr("缺少第%1项").arg(error.field);
    case SettingsError::Kind::Empty:
        return frmMain::tr("第%1项为空").arg(error.field);
    case SettingsError::Kind::NotInteger:
        return frmMain::tr("第%1项不是整数").arg(error.field);
    case SettingsError::Kind::OutOfRange:
        return frmMain::tr("第%1项超出范围（-32768～32767）").arg(error.field);
    }
    return frmMain::tr("文件不存在或无法打开");
}

QString settingsMessage(const SettingsError &error) {
    return frmMain::tr("无法读取设置文件 %1：%2")
        .arg(QFileInfo(error.file).fileName(), settingsReason(error));
}

} // namespace

frmMain::frmMain(const ToolDirs &dirs, MessageBox &messages, FileDialog &files, QWidget *parent)
    : QWidget(parent), dirs_(dirs), ui_(std::make_unique<Ui::frmMain>()), port_(dirs.ports()),
      link_(port_) {
    initResources();
    ui_->setupUi(this);
    // No entry is selected at load, yet the boxes show these texts.
    ui_->Combo1->setEditText(QStringLiteral("COM4"));
    ui_->Combo2->setEditText(QStringLiteral("19200"));
    ports_ = std::make_unique<PortPanel>(*ui_->Combo1, *ui_->Combo2, *ui_->cmdCom, port_, link_,
                                         messages, dirs_.commSet());

    const AcquisitionWidgets aw{.station = ui_->txtStationID,
                                .function = ui_->txtFunID,
                                .startRegister = ui_->txtStartID,
                                .registerCount = ui_->txtDataLength,
                                .values = controlArray<QLineEdit, 8>(*this, "txtValue"),
                                .valueLine = ui_->txtOutPut,
                                .counter = ui_->lblCounter,
                                .periods = controlArray<QLineEdit, 2>(*this, "txtTimerSet"),
                                .logging = ui_->CheckSave,
                                .dataFile = ui_->txtFilePath,
                                .readOnceButton = ui_->comDoOnce,
                                .startButton = ui_->cmdOneM,
                                .stopButton = ui_->cmdStopOnce,
                                .chooseFileButton = ui_->CommandChangeFile,
                                .clearFileButton = ui_->cmdClearTxt};
    acquisition_ = std::make_unique<AcquisitionPanel>(aw, link_, messages, files, dirs_);

    const CalibrationWidgets cw{.entries = controlArray<QLineEdit, 4>(*this, "txtAlarmValue"),
                                .list = ui_->txtSet,
                                .readButton = ui_->cmdReadAlarm,
                                .writeSlopeButton = ui_->CmdWriteAlarmValue,
                                .writeOffsetButton = ui_->Command5,
                                .batchReadButton = ui_->cmdReadAll,
                                .exportButton = ui_->cmdSaveFile,
                                .importButton = ui_->Command1,
                                .batchWriteButton = ui_->Command2};
    calibration_ = std::make_unique<CalibrationPanel>(cw, link_, messages, files, dirs_);

    trend_ = new TrendPanel(link_, messages, files, dirs_);
    trend_->setObjectName(QStringLiteral("tabTrend"));
    line_ = new LinePanel(recorder_, messages, files, dirs_);
    line_->setObjectName(QStringLiteral("tabLine"));
    ui_->SSTab1->addTab(trend_, tr("趋势"));
    ui_->SSTab1->addTab(line_, tr("通信"));
    connect(&link_, &Link::requestObserved, &recorder_, &LineRecorder::requestObserved);
    connect(&link_, &Link::answerObserved, &recorder_, &LineRecorder::answerObserved);
    connect(&recorder_, &LineRecorder::measurementFailed, trend_, &TrendPanel::addGap);
    finder_ = new ModuleFinder(link_, *ui_->Combo2, *ui_->txtFunID, line_);
    static_cast<QBoxLayout *>(line_->layout())->insertWidget(0, finder_);
    connect(finder_, &ModuleFinder::lineClaimed, acquisition_.get(), &AcquisitionPanel::holdLine);
    connect(finder_, &ModuleFinder::lineReleased, acquisition_.get(),
            &AcquisitionPanel::releaseLine);
    // The probes of other stations say nothing about the module the window talks to.
    // The search sets the port's rate itself and puts the old one back at its end.
    for (QWidget *portControl :
         std::initializer_list<QWidget *>{ui_->Combo1, ui_->Combo2, ui_->cmdCom}) {
        connect(finder_, &ModuleFinder::lineClaimed, portControl,
                [portControl] { portControl->setEnabled(false); });
        connect(finder_, &ModuleFinder::lineReleased, portControl,
                [portControl] { portControl->setEnabled(true); });
    }
    connect(finder_, &ModuleFinder::lineClaimed, &line_->hint(), &LineHintLabel::forget);
    connect(finder_, &ModuleFinder::lineReleased, &line_->hint(), &LineHintLabel::forget);
    connect(finder_, &ModuleFinder::moduleChosen, this, [this](int station, int baud) {
        ui_->txtStationID->setText(QString::number(station));
        ports_->useBaud(baud);
    });

    // A text that is already shown is not set again: setting it would repaint the box. The
    // received bytes are laid out on the next turn of the event loop, after the values they
    // carry are in their boxes; clearing the box when a request goes out happens at once.
    connect(&link_, &Link::stateText, this, [this](const QString &text) {
        if (text.isEmpty()) {
            stateLater_.reset();
            if (!ui_->txtState->document()->isEmpty())
                ui_->txtState->setPlainText(text);
            return;
        }
        const bool posted = stateLater_.has_value();
        stateLater_ = text;
        if (posted)
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (stateLater_)
                    ui_->txtState->setPlainText(*std::exchange(stateLater_, std::nullopt));
            },
            Qt::QueuedConnection);
    });
    connect(&link_, &Link::commandText, this, [this](const QString &text) {
        if (ui_->txtCommand->text() != text)
            ui_->txtCommand->setText(text);
    });
    connect(&link_, &Link::lampRaised, this, &frmMain::raiseLamp);
    connect(calibration_.get(), &CalibrationPanel::stopLogging, acquisition_.get(),
            &AcquisitionPanel::stopLogging);
    connect(calibration_.get(), &CalibrationPanel::lineClaimed, acquisition_.get(),
            &AcquisitionPanel::holdLine);
    connect(calibration_.get(), &CalibrationPanel::lineReleased, acquisition_.get(),
            &AcquisitionPanel::releaseLine);
    lampToolTip_ = ui_->imgConnected->toolTip();
    connect(ports_.get(), &PortPanel::openFailureChanged, this, &frmMain::showOpenFailure);
    connect(ports_.get(), &PortPanel::openFailureChanged, &line_->hint(),
            &LineHintLabel::setPortFailure);

    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            &frmMain::openManual);
    connect(ui_->cmdManual, &QPushButton::clicked, this, &frmMain::openManual);

    nameForScreenReaders();
    ui_->lblAbout->setText(
        tr("TR6400多通道温度采集模块工具软件\n版本 %1\n\n界面语言：中文\n\n"
           "切换语言：启动时加参数 --lang en（英文）或 --lang zh（中文），或设置环境变量 "
           "TR6400_LANG。两者都未指定时，系统区域的语言为英文则显示英文，否则显示中文。")
            .arg(QLatin1String(kVersion)));

    // What changes at every reading repaints itself only, not the frames behind it.
    QList<QWidget *> busy{ui_->Picture2, ui_->lblCounter, ui_->txtOutPut, ui_->txtCommand,
                          ui_->txtState};
    for (QLineEdit *box : aw.values)
        busy << box;
    fillFromBehind(*this, busy);

    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

frmMain::~frmMain() = default;

void frmMain::nameForScreenReaders() {
    const auto boxes = controlArray<QLineEdit, 8>(*this, "txtValue");
    for (std::size_t k = 0; k < boxes.size(); ++k)
        boxes[k]->setAccessibleName(tr("%1# 温度").arg(k + 1));
    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        button->setAccessibleName(button->text());
    ui_->imgConnected->setAccessibleName(tr("通讯状态：已连接"));
    ui_->ImgYellow->setAccessibleName(tr("通讯状态：等待回应"));
    ui_->imgNotConnected->setAccessibleName(tr("通讯状态：未连接"));
    ui_->Picture2->setAccessibleName(ui_->imgNotConnected->accessibleName());
}

void frmMain::openManual() {
    if (!manual_)
        manual_ = new ManualWindow(this);
    manual_->show();
    manual_->raise();
    manual_->activateWindow();
}

void frmMain::raiseLamp(Lamp lamp) {
    QLabel *front = ui_->imgNotConnected;
    if (lamp == Lamp::Connected)
        front = ui_->imgConnected;
    else if (lamp == Lamp::Yellow)
        front = ui_->ImgYellow;
    front->raise();
    // What only the colour shows, said in words: the lamps' box is named after the lamp in front.
    ui_->Picture2->setAccessibleName(front->accessibleName());
}

void frmMain::showOpenFailure(const QString &reason) {
    const QString text = reason.isEmpty() ? lampToolTip_ : lampToolTip_ + '\n' + reason;
    for (QLabel *lamp : {ui_->imgConnected, ui_->ImgYellow, ui_->imgNotConnected})
        lamp->setToolTip(text);
}

std::optional<QString> frmMain::loadSettings() {
    const SettingsFields comm = readSettingsFile(dirs_.commSet(), 2);
    if (!comm.ok())
        return settingsMessage(*comm.error);
    const SettingsFields mod = readSettingsFile(dirs_.modSet(), 4);
    if (!mod.ok())
        return settingsMessage(*mod.error);

    if (ui_->txtFilePath->text().isEmpty())
        ui_->txtFilePath->setText(dirs_.defaultDataFile());
    ui_->txtStationID->setText(QString::number(mod.values[1]));
    ui_->txtDataLength->setText(QString::number(mod.values[2]));

    switch (ports_->startWith(comm.values[0], comm.values[1])) {
    case PortPanel::Refused::Nothing:
        break;
    case PortPanel::Refused::Port:
        return frmMain::tr("设置文件 comm.set 中的串口号 %1 无法使用").arg(comm.values[0]);
    case PortPanel::Refused::Baud:
        return frmMain::tr("设置文件 comm.set 中的波特率 %1 无法使用").arg(comm.values[1]);
    }
    link_.setCommReady(true);
    return std::nullopt;
}

} // namespace tr
