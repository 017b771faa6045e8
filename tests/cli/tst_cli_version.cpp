// --version and --help of all three programs, as help2man calls them: without a display, exit 0,
// the version from CMake's project().
#include <QProcess>
#include <QTest>

class TstCliVersion : public QObject {
    Q_OBJECT
private slots:
    void answers_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("name");
        QTest::newRow("cli") << TR_CLI_PATH << "tr6400-cli";
        QTest::newRow("simulator") << TR_SIM_PATH << "tr6400-sim";
        QTest::newRow("window") << TR_WINDOW_PATH << "tr6400";
    }
    void answers() {
        QFETCH(QString, program);
        QFETCH(QString, name);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(display);
        const auto run = [&](const QString &arg) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(program, {arg});
            const bool ok = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit &&
                            p.exitCode() == 0;
            return ok ? QString::fromUtf8(p.readAllStandardOutput()) : QStringLiteral("failed");
        };
        QCOMPARE(run("--version"), name + " " TR_PROJECT_VERSION "\n");
        const QString help = run("--help");
        QVERIFY2(help.startsWith("Usage:") && help.contains("--version"), qPrintable(help));
    }
};

QTEST_GUILESS_MAIN(TstCliVersion)
#include "tst_cli_version.moc"
