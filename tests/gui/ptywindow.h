#pragma once

// The real window with the test playing the module at the far end of a pseudo-terminal, its
// controls set, clicked and read by object name, and scenario tables played through it.
#include "support/livewindow.h"
#include "support/ptypeer.h"

#include <QComboBox>
#include <QRegularExpression>

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
        port > 0 ? void(peer.linkAs(dir.path(), port)) : linkAbsent(-port);
        open();
    }
    void linkAbsent(int port) {
        QFile::link("/dev/nonexistent-adapter", path(QStringLiteral("ports/COM%1").arg(port)));
    }

    QWidget *get(const QString &name) { return control<QWidget>(*window, name); }
    // "单次采集" returns after the read's wait, like acquireOnce().
    void click(const QString &button) {
        QTest::mouseClick(get(button), Qt::LeftButton);
        if (button == "comDoOnce")
            waitForRead();
    }
    // "name=value|...": a text typed, a box checked ("true"), an entry picked from a combo box's
    // list ("#2") or a text typed into its field and Return pressed; "name_*=a,b,..." sets
    // name_0, name_1, ...; "dialog=<file>" answers the next file dialog ("dialog=" cancels it);
    // "click=<button>" clicks it. "~" stands for the program folder.
    void set(const QString &pairs) {
        for (const QString &pair : pairs.split('|', Qt::SkipEmptyParts)) {
            const QString key = pair.section('=', 0, 0),
                          value = pair.section('=', 1).replace('~', dir.path());
            const QStringList values = value.split(',');
            for (int i = 0; key.endsWith("_*") && i < values.size(); ++i)
                set(key.chopped(1) + QString::number(i) + '=' + values[i]);
            if (key == "click")
                click(value);
            if (key == "dialog")
                files.answers << (value.isEmpty() ? std::nullopt : std::optional(path(value)));
            if (key == "dialog" || key == "click" || key.endsWith("_*"))
                continue;
            QWidget *w = get(key);
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
        QStringList seen = expected.split('|');
        for (QString &pair : seen)
            pair = pair.section('=', 0, 0) + '=' + shown(pair.section('=', 0, 0));
        return seen.join('|');
    }
    // The text of a control by object name ("name_*": of name_0, name_1, ... joined by ","), or
    // the lamp in front (G, Y or R), the value boxes shown red (0 or 1 each), every message so
    // far (joined by " / ", reasons in brackets left out), the port (number, open or closed,
    // baud), both acquisition timers' intervals (0: stopped), the last file dialog (title,
    // filter, folder, then 1 or 0 for save, confirm overwrite, must exist), or the content of a
    // file in the program folder. The program folder reads as "~".
    QString shown(const QString &key) {
        const MSComm &port = window->port();
        const QTimer &t1 = acquisition().cyclicTimer(), &t2 = acquisition().logTimer();
        const FileDialog::Options o = files.asked.value(files.asked.size() - 1);
        QStringList texts, red, many;
        for (const ScriptedMessages::Shown &m : messages.shown)
            texts << m.text;
        for (int k = 0; k < 8; ++k)
            red << (colour(k) == QColor(Qt::red) ? "1" : "0");
        for (int i = 0; key.endsWith("_*") &&
                        window->findChild<QWidget *>(key.chopped(1) + QString::number(i));
             ++i)
            many << shown(key.chopped(1) + QString::number(i));
        const QHash<QString, QString> seen{
            {"lamp", QString("GYR")[int(lamp())]}, // in the order of tr::Lamp
            {"red", red.join("")},
            {"msg", texts.join(" / ").replace(QRegularExpression("（[^）]+）"), "（）")},
            {"port", QStringLiteral("COM%1 ").arg(port.CommPort()) +
                         (port.PortOpen() ? "open " : "closed ") +
                         port.Settings().section(',', 0, 0)},
            {"timers", QString::number(t1.isActive() * t1.interval()) + ' ' +
                           QString::number(t2.isActive() * t2.interval())},
            {"dialog", o.title + ' ' + o.filter + ' ' + o.initialDir + ' ' +
                           QString::number(o.save) + QString::number(o.confirmOverwrite) +
                           QString::number(o.mustExist)}};
        QString out = seen.value(key, key.contains('.') ? readFile(path(key)) : many.join(','));
        for (const char *text : {"plainText", "currentText", "text"})
            if (!seen.contains(key) && !key.contains('.') && !key.endsWith("_*") &&
                get(key)->property(text).isValid())
                out = get(key)->property(text).toString();
        return out.replace(dir.path(), "~");
    }

    // Plays the current row of a scenario table: sets the controls, then the action
    // "<button> > <frame the module gets> < <its answer>" (each part may be left out): clicks,
    // checks the bytes on the wire (a six-byte frame gets its CRC here), answers (CRC added)
    // and looks.
    void play() {
        QFETCH(QString, set);
        QFETCH(QString, action);
        QFETCH(QString, see);
        this->set(set);
        peer.readFor(0);
        if (const QString button = action.section(' ', 0, 0); !button.isEmpty())
            click(button);
        const QByteArray frame = fromHex(qPrintable(action.section('>', 1).section('<', 0, 0)));
        const QByteArray sent = peer.readFor(frame.isEmpty() ? 100 : 1000, 8);
        QCOMPARE(sent.toHex(' '), (frame.size() == 6 ? withCrc(frame) : frame).toHex(' '));
        const QByteArray answer = withCrc(fromHex(qPrintable(action.section('<', 1))));
        if (action.contains('<') && peer.write(answer))
            QTRY_COMPARE(shown("txtState"), ' ' + answer.toHex(' ').toUpper());
        QCOMPARE(look(see), see);
    }
};

// The columns of a scenario table and one row of it.
inline void scenarioColumns() {
    for (const char *column : {"set", "action", "see"})
        QTest::addColumn<QString>(column);
}
inline void scenario(const char *name, const QString &set, const QString &action,
                     const QString &see) {
    QTest::newRow(name) << set << action << see;
}

} // namespace tr::test
