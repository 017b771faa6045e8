#include "app/frmmain.h"

#include "acquisition/acquisitionpanel.h"
#include "app/settingsfile.h"
#include "calibration/calibrationpanel.h"
#include "serial/seams.h"

#include <QFile>
#include <QScreen>
#include <QStyle>

// The images live in a static library; nothing would pull them in without this.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tr {

namespace {

template <typename W, std::size_t N>
std::array<W *, N> controlArray(QWidget &root, const char *name, int first = 0) {
    std::array<W *, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const QString objectName =
            QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(first + static_cast<int>(i));
        out[i] = root.findChild<W *>(objectName);
        Q_ASSERT_X(out[i], "controlArray", qPrintable(objectName));
    }
    return out;
}

// Reads the first count fields of a settings file beside the executable. Only the head of the
// file matters, so a huge file is not read whole.
SettingsFields readSettingsFile(const QString &path, int count) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SettingsFields failed;
        failed.error = QStringLiteral("文件不存在或无法打开");
        return failed;
    }
    return readSettingsFields(file.read(64 * 1024), count);
}

} // namespace

frmMain::frmMain(QString programDir_, MessageBox &messages, FileDialog &files, QWidget *parent)
    : QWidget(parent), MSComm1(programDir_), link(MSComm1), programDir(std::move(programDir_)) {
    initResources();
    ui.setupUi(this);
    // No entry is selected at load, yet the boxes show these texts.
    ui.Combo1->setEditText(QStringLiteral("COM4"));
    ui.Combo2->setEditText(QStringLiteral("19200"));
    ports = std::make_unique<PortPanel>(*ui.Combo1, *ui.Combo2, *ui.cmdCom, MSComm1, link, messages,
                                        programDir);
    txtValue = controlArray<QLineEdit, 8>(*this, "txtValue");
    lblValue = controlArray<QLabel, 8>(*this, "lblValue");
    lblDanWei = controlArray<QLabel, 8>(*this, "lblDanWei");
    txtTimerSet = controlArray<QLineEdit, 2>(*this, "txtTimerSet");
    txtAlarmValue = controlArray<QLineEdit, 4>(*this, "txtAlarmValue");
    lblAlarm = controlArray<QLabel, 4>(*this, "lblAlarm");

    AcquisitionWidgets aw{ui.txtStationID, ui.txtFunID,          ui.txtStartID, ui.txtDataLength,
                          txtValue,        ui.txtOutPut,         ui.lblCounter, txtTimerSet,
                          ui.CheckSave,    ui.txtFilePath,       ui.comDoOnce,  ui.cmdOneM,
                          ui.cmdStopOnce,  ui.CommandChangeFile, ui.cmdClearTxt};
    acquisition = std::make_unique<AcquisitionPanel>(aw, link, messages, files, programDir);

    CalibrationWidgets cw{txtAlarmValue, ui.txtSet,     ui.cmdReadAlarm, ui.CmdWriteAlarmValue,
                          ui.Command5,   ui.cmdReadAll, ui.cmdSaveFile};
    calibration = std::make_unique<CalibrationPanel>(cw, link, messages, files, programDir);

    connect(&link, &Link::stateText, ui.txtState, &QPlainTextEdit::setPlainText);
    connect(&link, &Link::commandText, ui.txtCommand, &QLineEdit::setText);
    connect(&link, &Link::lampRaised, this, &frmMain::raiseLamp);
    connect(calibration.get(), &CalibrationPanel::stopLogging, acquisition.get(),
            &AcquisitionPanel::stopLogging);

    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
}

frmMain::~frmMain() = default;

void frmMain::raiseLamp(Lamp lamp) {
    switch (lamp) {
    case Lamp::Connected:
        ui.imgConnected->raise();
        break;
    case Lamp::Yellow:
        ui.ImgYellow->raise();
        break;
    case Lamp::NotConnected:
        ui.imgNotConnected->raise();
        break;
    }
}

Lamp frmMain::frontLamp() const {
    // The last child widget is drawn on top.
    const QObjectList &children = ui.Picture2->children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        if (*it == ui.imgConnected)
            return Lamp::Connected;
        if (*it == ui.ImgYellow)
            return Lamp::Yellow;
        if (*it == ui.imgNotConnected)
            return Lamp::NotConnected;
    }
    return Lamp::NotConnected;
}

std::optional<QString> frmMain::Form_Load() {
    const SettingsFields comm = readSettingsFile(programDir + QStringLiteral("/comm.set"), 2);
    if (!comm.ok())
        return QStringLiteral("无法读取设置文件 comm.set：%1").arg(comm.error);
    const SettingsFields mod = readSettingsFile(programDir + QStringLiteral("/ModSet.set"), 4);
    if (!mod.ok())
        return QStringLiteral("无法读取设置文件 ModSet.set：%1").arg(mod.error);
    ports->PortNumber = comm.values[0];
    ports->BaudRate = comm.values[1];

    if (ui.txtFilePath->text().isEmpty())
        ui.txtFilePath->setText(programDir + QStringLiteral("/dataGet.txt"));
    ui.txtStationID->setText(QString::number(mod.values[1]));
    ui.txtDataLength->setText(QString::number(mod.values[2]));

    if (!MSComm1.setCommPort(ports->PortNumber))
        return QStringLiteral("设置文件 comm.set 中的串口号 %1 无法使用").arg(ports->PortNumber);
    MSComm1.setInputMode(1);
    MSComm1.setInputLen(0);
    MSComm1.clearInBuffer();
    MSComm1.clearOutBuffer();
    MSComm1.setSThreshold(0);
    MSComm1.setRThreshold(1);
    if (!MSComm1.setSettings(QString::number(ports->BaudRate) + QStringLiteral(",N,8,1")))
        return QStringLiteral("设置文件 comm.set 中的波特率 %1 无法使用").arg(ports->BaudRate);

    for (int i = 0; i < 2; ++i) {
        if (ui.Combo2->itemText(i).toInt() == ports->BaudRate)
            ports->selectBaud(i);
    }
    const QString wanted = QStringLiteral("COM%1").arg(ports->PortNumber);
    for (int i = 0; i < 8; ++i) {
        if (ui.Combo1->itemText(i) == wanted) {
            ports->selectPort(i);
            break;
        }
    }
    link.CommReady = true;
    return std::nullopt;
}

} // namespace tr
