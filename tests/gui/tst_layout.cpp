// The main window as uic builds it from frmmain.ui: every control with its class, container,
// initial text and accessible description, the lamps' stacking and the value boxes' font.
#include "app/frmmain.h"
#include "support/scripted.h"
#include "support/windowcontrols.h"

#include <QTemporaryDir>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>

namespace {

// The control's caption or text, or "-" for a control that has none of its own.
QString shownText(const QWidget *w) {
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *p = qobject_cast<const QPlainTextEdit *>(w))
        return p->toPlainText();
    return QStringLiteral("-");
}

} // namespace

class TstLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    tr::test::ScriptedMessages messages_;
    tr::test::ScriptedFiles files_;
    tr::frmMain window_{tr::ToolDirs::portable(dir_.path()), messages_, files_};
    tr::test::WindowControls ui_{window_};

private slots:
    void initTestCase() {
        window_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window_));
    }

    void windowAndTabs() {
        QCOMPARE(window_.windowTitle(), QStringLiteral("TR6400多通道温度采集模块工具软件"));
        QTabWidget *tabs = ui_.SSTab1;
        // The form's three tabs first, in their order; the monitor's tabs after them.
        QCOMPARE(tabs->count(), 5);
        const QStringList titles{"采集与存储", "参数设置", "关于软件", "趋势", "通信"};
        const QStringList names{"tab1", "tab2", "tab3", "tabTrend", "tabLine"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(tabs->tabText(i), titles.at(i));
            QCOMPARE(tabs->widget(i)->objectName(), names.at(i));
        }
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(tabs->widget(2)->findChildren<QWidget *>().isEmpty());
    }

    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("className");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text"); // "-": no caption or text of its own
        const auto row = [](const QString &name, const char *className, const char *parent,
                            const QString &text) {
            QTest::newRow(qPrintable(name))
                << name << QByteArray(className) << QString(parent) << text;
        };
        row("SSTab1", "QTabWidget", "frmMain", "-");
        row("Frame10", "QGroupBox", "tab1", "MODBUS设置");
        row("Label8_0", "QLabel", "Frame10", "设备地址");
        row("txtStationID", "QLineEdit", "Frame10", "2");
        row("Label8_1", "QLabel", "Frame10", "超始地址");
        row("txtStartID", "QLineEdit", "Frame10", "0");
        row("Label8_3", "QLabel", "Frame10", "功 能 码");
        row("txtFunID", "QLineEdit", "Frame10", "4");
        row("Label8_2", "QLabel", "Frame10", "数据长度");
        row("txtDataLength", "QLineEdit", "Frame10", "2");
        row("Frame6", "QGroupBox", "tab1", "运行状态指示");
        row("Picture2", "QWidget", "Frame6", "-");
        row("imgConnected", "QLabel", "Picture2", "");
        row("ImgYellow", "QLabel", "Picture2", "");
        row("imgNotConnected", "QLabel", "Picture2", "");
        row("lblCounter", "QLabel", "Frame6", "0");
        row("Frame2", "QGroupBox", "tab1", "温度数据");
        for (int k = 0; k < 8; ++k) {
            row(QStringLiteral("lblValue_%1").arg(k), "QLabel", "Frame2",
                QStringLiteral("%1#").arg(k + 1));
            row(QStringLiteral("txtValue_%1").arg(k), "QLineEdit", "Frame2", "0");
            row(QStringLiteral("lblDanWei_%1").arg(k), "QLabel", "Frame2", "℃");
        }
        row("txtOutPut", "QLineEdit", "tab1", "");
        row("Label1", "QLabel", "tab1", "存储文件");
        row("txtFilePath", "QLineEdit", "tab1", "");
        row("CommandChangeFile", "QPushButton", "tab1", "选择文件");
        row("cmdClearTxt", "QPushButton", "tab1", "清空文件");
        row("Frame11", "QGroupBox", "tab1", "数据读出");
        row("Label8_4", "QLabel", "Frame11", "刷新时长(ms)");
        row("txtTimerSet_0", "QLineEdit", "Frame11", "1000");
        row("CheckSave", "QCheckBox", "Frame11", "存储数据");
        row("Label8_5", "QLabel", "Frame11", "存储时间间隔");
        row("txtTimerSet_1", "QLineEdit", "Frame11", "3");
        row("Label8_6", "QLabel", "Frame11", "s");
        row("comDoOnce", "QPushButton", "Frame11", "单次采集");
        row("cmdOneM", "QPushButton", "Frame11", "循环采集");
        row("cmdStopOnce", "QPushButton", "Frame11", "停止采集");
        row("Frame5", "QGroupBox", "tab2", "串口设置");
        row("Label3", "QLabel", "Frame5", "串口号");
        row("Combo1", "QComboBox", "Frame5", "-");
        row("Label5_2", "QLabel", "Frame5", "波特率");
        row("Combo2", "QComboBox", "Frame5", "-");
        row("cmdCom", "QPushButton", "Frame5", "保存设置");
        row("frame3", "QGroupBox", "tab2", "校正参数读取与写入");
        row("lblAlarm_3", "QLabel", "frame3", "设备地址");
        row("txtAlarmValue_2", "QLineEdit", "frame3", "1");
        row("lblAlarm_2", "QLabel", "frame3", "通道");
        row("txtAlarmValue_3", "QLineEdit", "frame3", "1");
        row("lblAlarm_0", "QLabel", "frame3", "斜率");
        row("txtAlarmValue_0", "QLineEdit", "frame3", "0");
        row("lblAlarm_1", "QLabel", "frame3", "偏移量");
        row("txtAlarmValue_1", "QLineEdit", "frame3", "0");
        row("cmdReadAlarm", "QPushButton", "frame3", "读参数");
        row("CmdWriteAlarmValue", "QPushButton", "frame3", "写斜率");
        row("Command5", "QPushButton", "frame3", "写偏移量");
        row("Frame4", "QGroupBox", "frame3", "文件批量操作");
        row("txtSet", "QPlainTextEdit", "Frame4", "");
        row("cmdReadAll", "QPushButton", "frame3", "批量读出");
        row("cmdSaveFile", "QPushButton", "frame3", "存储成文件");
        row("Command1", "QPushButton", "frame3", "从文件导入");
        row("Command2", "QPushButton", "frame3", "批量定入");
        row("Frame1", "QGroupBox", "frmMain", "命令执行状态");
        row("Label7", "QLabel", "Frame1", "发送命令:");
        row("txtCommand", "QLineEdit", "Frame1", "");
        row("txtState", "QPlainTextEdit", "Frame1", "");
    }
    void controls() {
        QFETCH(QString, name);
        QFETCH(QByteArray, className);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        const QList<QWidget *> found = window_.findChildren<QWidget *>(name);
        QVERIFY2(found.size() == 1, "missing or not unique");
        QWidget *w = found.first();
        QCOMPARE(QByteArray(w->metaObject()->className()), className);
        QVERIFY(w->parentWidget());
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(shownText(w), text);
        // Screen readers get the name the control had in the original program: Label8(0).
        QString original = name;
        original.replace(QRegularExpression(QStringLiteral("_(\\d)$")), QStringLiteral("(\\1)"));
        QCOMPARE(w->accessibleDescription(), original);
        QVERIFY(w->accessibleName().isEmpty());

        // The value row is set in 12 point SimSun; everything else keeps the default font.
        static const QRegularExpression valueRow(QStringLiteral("^(txtValue|lblValue|lblDanWei)_"));
        if (!valueRow.match(name).hasMatch()) {
            QVERIFY2(!w->testAttribute(Qt::WA_SetFont), "expected the default font");
            return;
        }
        QCOMPARE(w->font().family(), QStringLiteral("宋体"));
        QCOMPARE(w->font().pointSize(), 12);
        QCOMPARE(w->font().weight(), QFont::Normal);
        QVERIFY(!w->font().italic());
    }

    void lampStacking() {
        // Later siblings paint over earlier ones: green at the back, red in front.
        QStringList order;
        for (QObject *o : ui_.Picture2->children())
            if (o->isWidgetType())
                order << o->objectName();
        QCOMPARE(order, (QStringList{"imgConnected", "ImgYellow", "imgNotConnected"}));
        QCOMPARE(ui_.Picture2->childAt(QPoint(30, 8)), ui_.imgNotConnected);
        ui_.imgConnected->raise();
        QCOMPARE(ui_.Picture2->childAt(QPoint(30, 8)), ui_.imgConnected);
        ui_.imgNotConnected->raise(); // back to the state at start-up
        QVERIFY(!ui_.imgConnected->pixmap().isNull());
    }
};

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
