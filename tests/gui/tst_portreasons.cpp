// Why a port did not open, in the lamps' and the port box's tool tips. No permission is checked
// as a user made for the test, for whom the simulator's pseudo-terminal is closed: the window
// (this program run again) and tr6400-cli as that user.
#include "ptywindow.h"
#include "support/simulatorprocess.h"

#include <QApplication>
#include <QProcess>
#include <QSerialPort>
#include <unistd.h>

using namespace tr::test;

namespace {

const QString kLampTip = QStringLiteral("数据采集通讯状态指示");

// What the three lamps' tool tips and the port box's are with `reason`, and what they are.
QString tipsWith(const QString &reason) {
    const QString lamp = reason.isEmpty() ? kLampTip : kLampTip + '\n' + reason;
    return QStringList{lamp, lamp, lamp, reason}.join('|');
}
QString toolTips(PtyWindow &f) {
    QStringList tips;
    for (const char *name : {"imgConnected", "ImgYellow", "imgNotConnected", "Combo1"})
        tips << f.get(name)->toolTip();
    return tips.join("|");
}

// As the other user: the window starts on COM4 linked to TR_DENIED_DEVICE.
int deniedChild() {
    PtyWindow f("4,19200\r\n", "1,2,2,1\r\n", -6);
    QFile::link(qEnvironmentVariable("TR_DENIED_DEVICE"), f.path("ports/COM4"));
    f.set("Combo1=#3");
    std::printf("%s\n", qPrintable(toolTips(f)));
    return f.window->port().PortOpen() ? 1 : 0;
}

} // namespace

class TstPortReasons : public QObject {
    Q_OBJECT
private slots:
    void reasonInToolTips_data() {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("reason");
        QTest::newRow("device absent") << false << "无法打开：设备不存在";
        QTest::newRow("held by another program") << true << "无法打开：串口被其他程序占用";
    }
    void reasonInToolTips() {
        QFETCH(bool, held);
        QFETCH(QString, reason);
        PtyWindow f; // open on COM4
        PtyPeer other;
        QSerialPort holder(f.path("ports/COM5"));
        if (held)
            QVERIFY(other.linkAs(f.dir.path(), 5) && holder.open(QIODevice::ReadWrite));
        else
            f.linkAbsent(5);
        QCOMPARE(toolTips(f), tipsWith(""));
        f.set("Combo1=#4");
        QCOMPARE(toolTips(f), tipsWith(reason));
        // Let go, or plugged in: the next choice opens and the reason goes.
        holder.close();
        QFile::remove(f.path("ports/COM5"));
        QVERIFY(other.linkAs(f.dir.path(), 5));
        f.set("Combo1=#4");
        QVERIFY(f.window->port().PortOpen());
        QCOMPARE(toolTips(f), tipsWith(""));
        QVERIFY(f.messages.shown.isEmpty());
    }

    void noPermissionAsAnotherUser() {
        if (::geteuid() != 0)
            QSKIP("making a user for whom the device is closed needs root");
        // The programs are copied where the new user may run them.
        QTemporaryDir bin;
        const QString self = bin.filePath("tst"), cli = bin.filePath("tr6400-cli");
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), self) &&
                QFile::copy(TR_CLI_PATH, cli));
        QVERIFY(QFile::setPermissions(bin.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ExeOther));
        const QString user = QStringLiteral("trdenied%1").arg(::getpid());
        if (QProcess::execute("useradd", {"--system", "--no-create-home", user}) != 0)
            QSKIP("useradd could not make a user");
        const auto removeUser = qScopeGuard([&] { QProcess::execute("userdel", {user}); });
        SimulatorProcess sim; // its pseudo-terminal is root's, mode 0600
        QVERIFY(sim.start({}));
        const auto asUser = [&](const QStringList &command) {
            QProcess p;
            p.start("runuser", QStringList{"-u", user, "--", "env", "QT_QPA_PLATFORM=offscreen",
                                           "TR_DENIED_DEVICE=" + sim.ptyPath()} +
                                   command);
            p.waitForFinished(20000);
            return QString::number(p.exitCode()) + ' ' +
                   QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        };
        const QString window = asUser({self});
        QVERIFY2(window.startsWith(
                     "0 " + tipsWith("无法打开：没有权限（请将当前用户加入 dialout 组）") + '\n'),
                 qPrintable(window));
        const QString cliSays = asUser({cli, "read", "--port", sim.ptyPath()});
        QVERIFY2(cliSays.startsWith("5 ") && cliSays.contains("Permission denied (no permission: "
                                                              "add your user to the dialout group"),
                 qPrintable(cliSays));
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TR_DENIED_DEVICE"))
        return deniedChild();
    TstPortReasons test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_portreasons.moc"
