#pragma once

#include <QObject>
#include <QString>
#include <cstdint>

class QComboBox;
class QPushButton;

namespace tr {

struct OpenFailure;
class Link;
class MessageBox;
class MSComm;

// Tracks whether a combo box has an entry selected: choosing from the list selects, typing in
// the edit field leaves no entry selected (the typed text is never used).
class ComboSelection : public QObject {
public:
    explicit ComboSelection(QComboBox &box);
    int selectedIndex() const;
    void select(int index);

private:
    QComboBox &box_;
    bool typed_ = false;
};

// Choosing, opening and saving the serial port: the port box, the baud box and "保存设置".
class PortPanel : public QObject {
    Q_OBJECT
public:
    PortPanel(QComboBox &Combo1, QComboBox &Combo2, QPushButton &cmdCom, MSComm &port, Link &link,
              MessageBox &messages, QString commSetPath, QObject *parent = nullptr);

    // Start-up with the port and baud rate of comm.set: configures the port control, selects the
    // matching baud entry and, among the first eight port entries, the port's, which opens it.
    // Returns what the port control refused, which must end start-up.
    enum class Refused { Nothing, Port, Baud };
    Refused startWith(std::int16_t PortNumber, std::int16_t BaudRate);

    void Combo1_Click();
    void cmdCom_Click();
    void OpenOnComm();

    // The reason of a failed open as the tool tips show it.
    static QString openFailureText(const OpenFailure &failure);

signals:
    // After every open attempt: why the port did not open, empty once it is open.
    void openFailureChanged(const QString &reason);

protected:
    // Entry tool tips are worked out when shown, so they tell whether the device exists now.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showOpenResult();
    // Port entries' tool tips: the device COMn maps to, where a link leads, whether the device
    // exists now and, for an adapter the system knows, its description.
    void updateToolTips(const QList<int> &portNumbers);
    void switchPort(int portNumber);
    // Opens the chosen port unless it is still held; false after the port-in-use message.
    bool openPort();

    QComboBox &Combo1_;
    QComboBox &Combo2_;
    MSComm &port_;
    Link &link_;
    MessageBox &messages_;
    QString commSetPath_;
    ComboSelection combo1Selection_;
    ComboSelection combo2Selection_;
};

} // namespace tr
