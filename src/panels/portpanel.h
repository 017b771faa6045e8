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
    PortPanel(QComboBox &portBox, QComboBox &baudBox, QPushButton &saveButton, MSComm &port,
              Link &link, MessageBox &messages, QString commSetPath, QObject *parent = nullptr);

    // Start-up with the port and baud rate of comm.set: configures the port control, selects the
    // matching baud entry and, among the first eight port entries, the port's, which opens it.
    // Returns what the port control refused, which must end start-up.
    enum class Refused { Nothing, Port, Baud };
    Refused startWith(std::int16_t portNumber, std::int16_t baud);

    void openChosenPort();
    // Another baud rate for the open port, as "保存设置" would set it but without saving it:
    // the baud box shows it and the port is opened again at it.
    void useBaud(int baud);
    void saveSettings();

    // The reason of a failed open as the tool tips show it.
    static QString openFailureText(const OpenFailure &failure);

signals:
    // After every open attempt: why the port did not open, empty once it is open.
    void openFailureChanged(const QString &reason);

protected:
    // Entry tool tips are worked out when shown, so they tell whether the device exists now.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void armReceiveEvent(); // one byte in the buffer raises the receive event
    void showOpenResult();
    // Port entries' tool tips: the device COMn maps to, where a link leads, whether the device
    // exists now and, for an adapter the system knows, its description.
    void updateToolTips(const QList<int> &portNumbers);
    void switchPort(int portNumber);
    // Opens the chosen port unless it is still held; false after the port-in-use message.
    bool openPort();

    QComboBox &portBox_;
    QComboBox &baudBox_;
    MSComm &port_;
    Link &link_;
    MessageBox &messages_;
    QString commSetPath_;
    ComboSelection portChoice_;
    ComboSelection baudChoice_;
};

} // namespace tr
