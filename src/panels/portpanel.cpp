#include "panels/portpanel.h"

#include "panels/seams.h"
#include "serial/link.h"
#include "serial/mscomm.h"
#include "serial/portmap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <numeric>

namespace tr {

ComboSelection::ComboSelection(QComboBox &box) : QObject(&box), box_(box) {
    box_.setInsertPolicy(QComboBox::NoInsert);
    if (QLineEdit *edit = box_.lineEdit()) {
        box_.setCompleter(nullptr);
        // Leaving the edit field with a typed entry name must not count as choosing it.
        QObject::disconnect(edit, &QLineEdit::editingFinished, &box_, nullptr);
        connect(edit, &QLineEdit::textEdited, this, [this] { typed_ = true; });
    }
    connect(&box_, &QComboBox::activated, this, [this] { typed_ = false; });
}

int ComboSelection::selectedIndex() const {
    return typed_ ? -1 : box_.currentIndex();
}

void ComboSelection::select(int index) {
    typed_ = false;
    box_.setCurrentIndex(index);
}

PortPanel::PortPanel(QComboBox &portBox, QComboBox &baudBox, QPushButton &saveButton, MSComm &port,
                     Link &link, MessageBox &messages, QString commSetPath, QObject *parent)
    : QObject(parent), portBox_(portBox), baudBox_(baudBox), port_(port), link_(link),
      messages_(messages), commSetPath_(std::move(commSetPath)), portChoice_(portBox),
      baudChoice_(baudBox) {
    QList<int> all(portBox_.count());
    std::iota(all.begin(), all.end(), 1);
    updateToolTips(all);
    portBox_.view()->viewport()->installEventFilter(this);
    connect(&port_, &MSComm::openAttempted, this, &PortPanel::showOpenResult);
    // Connected after ComboSelection, so the selection is up to date when the handler runs.
    connect(&portBox_, &QComboBox::activated, this, &PortPanel::openChosenPort);
    connect(&saveButton, &QPushButton::clicked, this, &PortPanel::saveSettings);
}

PortPanel::Refused PortPanel::startWith(std::int16_t portNumber, std::int16_t baud) {
    if (!port_.setCommPort(portNumber))
        return Refused::Port;
    port_.setInputLen(0);
    port_.clearInBuffer();
    port_.clearOutBuffer();
    port_.setRThreshold(1);
    if (!port_.setSettings(QString::number(baud) + QStringLiteral(",N,8,1")))
        return Refused::Baud;

    for (int i = 0; i < 2; ++i) {
        if (baudBox_.itemText(i).toInt() == baud)
            baudChoice_.select(i);
    }
    // Only ports 1 to 8 are looked for; any other keeps the box at "COM4" and the port closed.
    const QString wanted = QStringLiteral("COM%1").arg(portNumber);
    for (int i = 0; i < 8; ++i) {
        if (portBox_.itemText(i) == wanted) {
            portChoice_.select(i);
            openChosenPort();
            break;
        }
    }
    return Refused::Nothing;
}

QString PortPanel::openFailureText(const OpenFailure &failure) {
    switch (failure.kind) {
    case OpenFailure::Kind::Permission:
        return tr("无法打开：没有权限（请将当前用户加入 dialout 组）");
    case OpenFailure::Kind::Busy:
        return tr("无法打开：串口被其他程序占用");
    case OpenFailure::Kind::Absent:
        return tr("无法打开：设备不存在");
    case OpenFailure::Kind::Other:
        break;
    }
    return tr("无法打开：%1").arg(failure.systemText);
}

void PortPanel::updateToolTips(const QList<int> &portNumbers) {
    for (const PortMapping &m : portMappings(portNumbers, port_.portsDir())) {
        QStringList lines{QDir::toNativeSeparators(m.device)};
        if (!m.linkTarget.isEmpty())
            lines << tr("指向 %1").arg(QDir::toNativeSeparators(m.linkTarget));
        if (!m.exists()) {
            lines << tr("设备不存在");
        } else {
            QString line = tr("设备存在：%1").arg(QDir::toNativeSeparators(m.resolved));
            if (m.info && !m.info->description.isEmpty())
                line += tr("（%1）").arg(m.info->description);
            lines << line;
        }
        portBox_.setItemData(m.port - 1, lines.join(QLatin1Char('\n')), Qt::ToolTipRole);
    }
}

bool PortPanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ToolTip) {
        const QModelIndex index = portBox_.view()->indexAt(static_cast<QHelpEvent *>(event)->pos());
        if (index.isValid())
            updateToolTips({index.row() + 1});
    }
    return QObject::eventFilter(watched, event);
}

void PortPanel::showOpenResult() {
    const std::optional<OpenFailure> &failure = port_.openFailure();
    const QString reason = failure ? openFailureText(*failure) : QString();
    portBox_.setToolTip(reason);
    emit openFailureChanged(reason);
}

void PortPanel::armReceiveEvent() {
    port_.setRThreshold(1);
}

void PortPanel::switchPort(int portNumber) {
    if (port_.PortOpen())
        port_.setPortOpen(false);
    // A number the port refuses (0: no entry selected) leaves the previous port in use.
    port_.setCommPort(portNumber);
}

bool PortPanel::openPort() {
    // Still open after the close: someone else holds it.
    if (port_.PortOpen()) {
        messages_.show(tr("所选的串行端口已被其他设备所使用!"), tr("系统信息"),
                       MessageBox::Icon::Exclamation);
        return false;
    }
    // An absent or busy device fails silently here; the lamps show it at the next request.
    port_.setPortOpen(true);
    armReceiveEvent();
    link_.setCommReady(true);
    return true;
}

void PortPanel::openChosenPort() {
    switchPort(portChoice_.selectedIndex() + 1);
    openPort();
}

void PortPanel::useBaud(int baud) {
    const int entry = baudBox_.findText(QString::number(baud));
    if (entry >= 0)
        baudChoice_.select(entry);
    else
        baudBox_.setEditText(QString::number(baud));
    if (!port_.setSettings(QString::number(baud) + QStringLiteral(",N,8,1")))
        return;
    switchPort(port_.CommPort());
    openPort();
}

void PortPanel::saveSettings() {
    switchPort(portChoice_.selectedIndex() + 1);
    // A number the port refused leaves the previous one, which is then saved.
    const auto portNumber = static_cast<std::int16_t>(port_.CommPort());
    const int baudEntry = baudChoice_.selectedIndex() >= 0 ? baudChoice_.selectedIndex() : 0;
    const auto baud = static_cast<std::int16_t>(baudBox_.itemText(baudEntry).toInt());
    port_.setSettings(QString::number(baud) + QStringLiteral(",N,8,1"));
    if (!openPort())
        return;

    // Written whole or not at all: a failed save never leaves a half file behind.
    QSaveFile file(commSetPath_);
    file.setDirectWriteFallback(true);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        const QByteArray line =
            QByteArray::number(portNumber) + ',' + QByteArray::number(baud) + "\r\n";
        saved = file.write(line) == line.size() && file.commit();
    }
    if (!saved) {
        messages_.show(tr("串口设置保存失败：%1（%2）")
                           .arg(QDir::toNativeSeparators(commSetPath_), file.errorString()),
                       promptCaption(), MessageBox::Icon::None);
        return;
    }
    messages_.show(tr("串口设置保存成功"), promptCaption(), MessageBox::Icon::None);
}

} // namespace tr
