#pragma once

// The real window with the test playing the module at the far end of a pseudo-terminal, its
// controls set, clicked and read by object name, and scenario tables played through it.
#include "support/livewindow.h"
#include "support/ptypeer.h"

#include <QComboBox>

namespace tr::test {

struct PtyWindow : LiveWindow {
    PtyPeer peer;

    // A null comm: no comm.set. The peer is linked as COM<port>; a negative port links
    // COM<-port> to a device that does not exist. The window opens at once.
    explicit PtyWindow(const QByteArray &comm = "4,19200\r\n",
                       const QByteArray &modset = "1,2,8,1\r\n", int port = 4)
        : LiveWindow(comm, modset) {
        if (comm.isNull())
            QFile::remove(path("comm.set"));
        if (port > 0)
            peer.linkAs(dir.path(), port);
        else
            linkAbsent(-port);
        open();
    }
    void linkAbsent(int port) {
        QFile::link("/dev/nonexistent-adapter", path(QStringLiteral("ports/COM%1").arg(port)));
    }

    template <typename W = QPushButton> W *get(const QString &name) {
        return control<W>(*window, name);
    }
    void click(const QString &button) { QTest::mouseClick(get(button), Qt::LeftButton); }
    // "name=value|...": a text typed, a box checked ("true"), an entry picked from a combo
    // box's list ("#2") or a text typed into its field and Return pressed.
    void set(const QString &pairs) {
        for (const QString &pair : pairs.split('|', Qt::SkipEmptyParts)) {
            QWidget *w = get<QWidget>(pair.section('=', 0, 0));
            const QString value = pair.section('=', 1);
            auto *box = qobject_cast<QComboBox *>(w);
            if (box && value.startsWith('#')) {
                box->setCurrentIndex(value.mid(1).toInt());
                emit box->activated(value.mid(1).toInt());
            } else if (box) {
                box->lineEdit()->selectAll();
                QTest::keyClicks(box->lineEdit(), value + '\r');
            } else {
                const char *text = w->inherits("QPlainTextEdit") ? "plainText" : "text";
                w->setProperty(w->inherits("QCheckBox") ? "checked" : text, value);
            }
        }
    }
    // What the operator sees, for the keys of `expected` ("key=value|..."): see shown().
    QString look(const QString &expected) {
        QStringList seen;
        for (const QString &pair : expected.split('|'))
            seen << pair.section('=', 0, 0) + '=' + shown(pair.section('=', 0, 0));
        return seen.join('|');
    }
    // The text of a control by object name, or: the lamp in front (G, Y or R), the value boxes
    // shown red (0 or 1 each), every message so far (joined by " / "), the port, or the
    // content of a file in the program folder.
    QString shown(const QString &key) {
        QString out = key == "lamp" ? QString("GYR")[int(lamp())] : QString(); // tr::Lamp's order
        const MSComm &port = window->port();
        if (key == "port")
            out = QStringLiteral("COM%1 %2 ")
                      .arg(port.CommPort())
                      .arg(port.PortOpen() ? "open" : "closed");
        for (int k = 0; key == "red" && k < 8; ++k)
            out += colour(k) == QColor(Qt::red) ? '1' : '0';
        for (qsizetype i = 0; key == "msg" && i < messages.shown.size(); ++i)
            out += (i ? " / " : "") + messages.shown[i].text;
        if (key.contains('.'))
            return readFile(path(key));
        if (key == "lamp" || key == "red" || key == "msg" || key == "port")
            return key == "port" ? out + port.Settings() : out;
        for (const char *text : {"plainText", "currentText", "text"})
            if (const QVariant v = get<QWidget>(key)->property(text); v.isValid())
                return v.toString();
        return out;
    }

    // Plays the current row of a scenario table: sets the controls, clicks the button (if any),
    // checks the bytes on the wire (a six-byte frame gets its CRC here), answers (CRC added)
    // and looks.
    void play() {
        QFETCH(QString, set);
        QFETCH(QString, click);
        QFETCH(QString, wire);
        QFETCH(QString, answer);
        QFETCH(QString, see);
        this->set(set);
        peer.readFor(0);
        if (!click.isEmpty())
            this->click(click);
        const QByteArray frame = fromHex(qPrintable(wire));
        const QByteArray sent = peer.readFor(frame.isEmpty() ? 100 : 1000, 8);
        QCOMPARE(sent.toHex(' '), (frame.size() == 6 ? withCrc(frame) : frame).toHex(' '));
        const QByteArray full = withCrc(fromHex(qPrintable(answer)));
        if (!answer.isEmpty())
            peer.write(full);
        if (!answer.isEmpty())
            QTRY_COMPARE(shown("txtState"), ' ' + full.toHex(' ').toUpper());
        QCOMPARE(look(see), see);
    }
};

// The columns of a scenario table and one row of it.
inline void scenarioColumns() {
    for (const char *column : {"set", "click", "wire", "answer", "see"})
        QTest::addColumn<QString>(column);
}
inline void scenario(const char *name, const QString &set, const QString &click,
                     const QString &wire, const QString &answer, const QString &see) {
    QTest::newRow(name) << set << click << wire << answer << see;
}

} // namespace tr::test
