#pragma once

// The controls of the real window, found by their object names as an operator's tool (or a
// screen reader) would find them; the window keeps its Designer form to itself.
#include "serial/link.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <array>

namespace tr::test {

template <typename W> W *control(const QWidget &root, const QString &name) {
    W *w = root.findChild<W *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

struct WindowControls {
    explicit WindowControls(const QWidget &w)
#define TR_CONTROL(type, name) name(control<type>(w, QStringLiteral(#name)))
        : TR_CONTROL(QTabWidget, SSTab1), TR_CONTROL(QLineEdit, txtStationID),
          TR_CONTROL(QLineEdit, txtFunID), TR_CONTROL(QLineEdit, txtStartID),
          TR_CONTROL(QLineEdit, txtDataLength), TR_CONTROL(QWidget, Picture2),
          TR_CONTROL(QLabel, imgConnected), TR_CONTROL(QLabel, ImgYellow),
          TR_CONTROL(QLabel, imgNotConnected), TR_CONTROL(QLabel, lblCounter),
          TR_CONTROL(QLineEdit, txtOutPut), TR_CONTROL(QLineEdit, txtFilePath),
          TR_CONTROL(QPushButton, CommandChangeFile), TR_CONTROL(QPushButton, cmdClearTxt),
          TR_CONTROL(QLineEdit, txtTimerSet_0), TR_CONTROL(QLineEdit, txtTimerSet_1),
          TR_CONTROL(QCheckBox, CheckSave), TR_CONTROL(QPushButton, comDoOnce),
          TR_CONTROL(QPushButton, cmdOneM), TR_CONTROL(QPushButton, cmdStopOnce),
          TR_CONTROL(QComboBox, Combo1), TR_CONTROL(QComboBox, Combo2),
          TR_CONTROL(QPushButton, cmdCom), TR_CONTROL(QPushButton, cmdReadAlarm),
          TR_CONTROL(QPushButton, CmdWriteAlarmValue), TR_CONTROL(QPushButton, Command5),
          TR_CONTROL(QPlainTextEdit, txtSet), TR_CONTROL(QPushButton, cmdReadAll),
          TR_CONTROL(QPushButton, cmdSaveFile), TR_CONTROL(QPushButton, Command1),
          TR_CONTROL(QPushButton, Command2), TR_CONTROL(QLineEdit, txtCommand),
          TR_CONTROL(QPlainTextEdit, txtState)
#undef TR_CONTROL
    {
        for (std::size_t i = 0; i < txtValue.size(); ++i)
            txtValue[i] = control<QLineEdit>(w, QStringLiteral("txtValue_%1").arg(i));
        for (std::size_t i = 0; i < txtAlarmValue.size(); ++i)
            txtAlarmValue[i] = control<QLineEdit>(w, QStringLiteral("txtAlarmValue_%1").arg(i));
    }

    // The lamp in front: the last of the three among Picture2's children is drawn on top.
    Lamp frontLamp() const {
        const QObjectList &children = Picture2->children();
        for (auto it = children.crbegin(); it != children.crend(); ++it) {
            if (*it == imgConnected)
                return Lamp::Connected;
            if (*it == ImgYellow)
                return Lamp::Yellow;
            if (*it == imgNotConnected)
                return Lamp::NotConnected;
        }
        return Lamp::NotConnected;
    }

    QTabWidget *SSTab1;
    QLineEdit *txtStationID, *txtFunID, *txtStartID, *txtDataLength;
    QWidget *Picture2;
    QLabel *imgConnected, *ImgYellow, *imgNotConnected, *lblCounter;
    QLineEdit *txtOutPut, *txtFilePath;
    QPushButton *CommandChangeFile, *cmdClearTxt;
    QLineEdit *txtTimerSet_0, *txtTimerSet_1;
    QCheckBox *CheckSave;
    QPushButton *comDoOnce, *cmdOneM, *cmdStopOnce;
    QComboBox *Combo1, *Combo2;
    QPushButton *cmdCom, *cmdReadAlarm, *CmdWriteAlarmValue, *Command5;
    QPlainTextEdit *txtSet;
    QPushButton *cmdReadAll, *cmdSaveFile, *Command1, *Command2;
    QLineEdit *txtCommand;
    QPlainTextEdit *txtState;
    std::array<QLineEdit *, 8> txtValue{};
    std::array<QLineEdit *, 4> txtAlarmValue{};
};

} // namespace tr::test
