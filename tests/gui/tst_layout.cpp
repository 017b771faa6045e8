// The main window as uic builds it from frmmain.ui: every control, its container, its initial
// contents and the geometry the operator sees, checked on the offscreen platform.
#include "ui_frmmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <optional>
#include <vector>

namespace {

struct Control {
    QString name;
    QByteArray className;
    QString parent;
    std::optional<QString> text; // none: the control has no caption or text of its own
    QString description;
};

Control row(const char *name, const char *className, const char *parent, const char *text,
            const char *description) {
    return {QString::fromLatin1(name), className, QString::fromLatin1(parent),
            text ? std::optional<QString>(QString::fromUtf8(text)) : std::nullopt,
            QString::fromLatin1(description)};
}

// Every control of the window, in the order the operator reads them.
const std::vector<Control> &controls() {
    static const std::vector<Control> table = [] {
        std::vector<Control> t = {
            row("SSTab1", "QTabWidget", "frmMain", nullptr, "SSTab1"),
            row("Frame10", "QGroupBox", "tab1", "MODBUS设置", "Frame10"),
            row("Label8_0", "QLabel", "Frame10", "设备地址", "Label8(0)"),
            row("txtStationID", "QLineEdit", "Frame10", "2", "txtStationID"),
            row("Label8_1", "QLabel", "Frame10", "超始地址", "Label8(1)"),
            row("txtStartID", "QLineEdit", "Frame10", "0", "txtStartID"),
            row("Label8_3", "QLabel", "Frame10", "功 能 码", "Label8(3)"),
            row("txtFunID", "QLineEdit", "Frame10", "4", "txtFunID"),
            row("Label8_2", "QLabel", "Frame10", "数据长度", "Label8(2)"),
            row("txtDataLength", "QLineEdit", "Frame10", "2", "txtDataLength"),
            row("Frame6", "QGroupBox", "tab1", "运行状态指示", "Frame6"),
            row("Picture2", "QWidget", "Frame6", nullptr, "Picture2"),
            row("imgConnected", "QLabel", "Picture2", "", "imgConnected"),
            row("ImgYellow", "QLabel", "Picture2", "", "ImgYellow"),
            row("imgNotConnected", "QLabel", "Picture2", "", "imgNotConnected"),
            row("lblCounter", "QLabel", "Frame6", "0", "lblCounter"),
            row("Frame2", "QGroupBox", "tab1", "温度数据", "Frame2"),
        };
        for (int k = 0; k < 8; ++k) {
            const QByteArray i = QByteArray::number(k);
            const QByteArray caption = QByteArray::number(k + 1) + '#';
            t.push_back(row("lblValue_" + i, "QLabel", "Frame2", caption, "lblValue(" + i + ')'));
            t.push_back(row("txtValue_" + i, "QLineEdit", "Frame2", "0", "txtValue(" + i + ')'));
            t.push_back(row("lblDanWei_" + i, "QLabel", "Frame2", "℃", "lblDanWei(" + i + ')'));
        }
        const std::vector<Control> rest = {
            row("txtOutPut", "QLineEdit", "tab1", "", "txtOutPut"),
            row("Label1", "QLabel", "tab1", "存储文件", "Label1"),
            row("txtFilePath", "QLineEdit", "tab1", "", "txtFilePath"),
            row("CommandChangeFile", "QPushButton", "tab1", "选择文件", "CommandChangeFile"),
            row("cmdClearTxt", "QPushButton", "tab1", "清空文件", "cmdClearTxt"),
            row("Frame11", "QGroupBox", "tab1", "数据读出", "Frame11"),
            row("Label8_4", "QLabel", "Frame11", "刷新时长(ms)", "Label8(4)"),
            row("txtTimerSet_0", "QLineEdit", "Frame11", "1000", "txtTimerSet(0)"),
            row("CheckSave", "QCheckBox", "Frame11", "存储数据", "CheckSave"),
            row("Label8_5", "QLabel", "Frame11", "存储时间间隔", "Label8(5)"),
            row("txtTimerSet_1", "QLineEdit", "Frame11", "3", "txtTimerSet(1)"),
            row("Label8_6", "QLabel", "Frame11", "s", "Label8(6)"),
            row("comDoOnce", "QPushButton", "Frame11", "单次采集", "comDoOnce"),
            row("cmdOneM", "QPushButton", "Frame11", "循环采集", "cmdOneM"),
            row("cmdStopOnce", "QPushButton", "Frame11", "停止采集", "cmdStopOnce"),
            row("Frame5", "QGroupBox", "tab2", "串口设置", "Frame5"),
            row("Label3", "QLabel", "Frame5", "串口号", "Label3"),
            row("Combo1", "QComboBox", "Frame5", nullptr, "Combo1"),
            row("Label5_2", "QLabel", "Frame5", "波特率", "Label5(2)"),
            row("Combo2", "QComboBox", "Frame5", nullptr, "Combo2"),
            row("cmdCom", "QPushButton", "Frame5", "保存设置", "cmdCom"),
            row("frame3", "QGroupBox", "tab2", "校正参数读取与写入", "frame3"),
            row("lblAlarm_3", "QLabel", "frame3", "设备地址", "lblAlarm(3)"),
            row("txtAlarmValue_2", "QLineEdit", "frame3", "1", "txtAlarmValue(2)"),
            row("lblAlarm_2", "QLabel", "frame3", "通道", "lblAlarm(2)"),
            row("txtAlarmValue_3", "QLineEdit", "frame3", "1", "txtAlarmValue(3)"),
            row("lblAlarm_0", "QLabel", "frame3", "斜率", "lblAlarm(0)"),
            row("txtAlarmValue_0", "QLineEdit", "frame3", "0", "txtAlarmValue(0)"),
            row("lblAlarm_1", "QLabel", "frame3", "偏移量", "lblAlarm(1)"),
            row("txtAlarmValue_1", "QLineEdit", "frame3", "0", "txtAlarmValue(1)"),
            row("cmdReadAlarm", "QPushButton", "frame3", "读参数", "cmdReadAlarm"),
            row("CmdWriteAlarmValue", "QPushButton", "frame3", "写斜率", "CmdWriteAlarmValue"),
            row("Command5", "QPushButton", "frame3", "写偏移量", "Command5"),
            row("Frame4", "QGroupBox", "frame3", "文件批量操作", "Frame4"),
            row("txtSet", "QPlainTextEdit", "Frame4", "", "txtSet"),
            row("cmdReadAll", "QPushButton", "frame3", "批量读出", "cmdReadAll"),
            row("cmdSaveFile", "QPushButton", "frame3", "存储成文件", "cmdSaveFile"),
            row("Command1", "QPushButton", "frame3", "从文件导入", "Command1"),
            row("Command2", "QPushButton", "frame3", "批量定入", "Command2"),
            row("Frame1", "QGroupBox", "frmMain", "命令执行状态", "Frame1"),
            row("Label7", "QLabel", "Frame1", "发送命令:", "Label7"),
            row("txtCommand", "QLineEdit", "Frame1", "", "txtCommand"),
            row("txtState", "QPlainTextEdit", "Frame1", "", "txtState"),
        };
        t.insert(t.end(), rest.begin(), rest.end());
        return t;
    }();
    return table;
}

bool isValueFont(const QString &name) {
    return name.startsWith(u"txtValue_") || name.startsWith(u"lblValue_") ||
           name.startsWith(u"lblDanWei_");
}

std::optional<QString> shownText(const QWidget *w) {
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
    return std::nullopt;
}

// The strip of a group box that its title occupies, in the group box's coordinates.
QRect titleRect(const QGroupBox *g) {
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.textAlignment = g->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
}

int px(int twips) {
    return twips / 15;
}

} // namespace

class tst_Layout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void window();
    void tabs();
    void controls_data();
    void controls();
    void noOtherControls();
    void buddies_data();
    void buddies();
    void fonts_data();
    void fonts();
    void centredText_data();
    void centredText();
    void combos_data();
    void combos();
    void textBoxes();
    void rectangles_data();
    void rectangles();
    void lamps_data();
    void lamps();
    void lampStacking();
    void placement_data();
    void placement();
    void roomForContents_data();
    void roomForContents();

private:
    template <typename T = QWidget> T *find(const QString &name) {
        const auto all = m_window.findChildren<T *>(name);
        return all.size() == 1 ? all.first() : nullptr;
    }

    QWidget m_window;
    Ui::frmMain m_ui;
};

void tst_Layout::initTestCase() {
    // The images live in the static tr_app library; this pulls them into the test program.
    Q_INIT_RESOURCE(resources);
    m_ui.setupUi(&m_window);
    // Shown, so that the tab widget lays out its pages and the geometry checks see real sizes.
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
}

void tst_Layout::window() {
    QCOMPARE(m_window.objectName(), QLatin1String("frmMain"));
    QCOMPARE(m_window.windowTitle(), QString::fromUtf8("TR6400多通道温度采集模块工具软件"));
    QCOMPARE(m_window.minimumSize(), QSize(10710 / 15, 7815 / 15));
    QCOMPARE(m_window.maximumSize(), QSize(714, 521));
    QCOMPARE(m_window.size(), QSize(714, 521));

    const QIcon icon = m_window.windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
}

void tst_Layout::tabs() {
    QTabWidget *tabs = m_ui.SSTab1;
    QCOMPARE(tabs->count(), 3);
    const QStringList titles{QString::fromUtf8("采集与存储"), QString::fromUtf8("参数设置"),
                             QString::fromUtf8("关于软件")};
    const QStringList pages{"tab1", "tab2", "tab3"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(tabs->tabText(i), titles.at(i));
        QCOMPARE(tabs->widget(i)->objectName(), pages.at(i));
    }
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(m_ui.Frame10->isVisible());
    QVERIFY(!m_ui.frame3->isVisible());
    QVERIFY(tabs->widget(2)->findChildren<QWidget *>().isEmpty());
}

void tst_Layout::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<bool>("hasText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");
    for (const Control &c : ::controls())
        QTest::newRow(qPrintable(c.name)) << c.name << c.className << c.parent << c.text.has_value()
                                          << c.text.value_or(QString()) << c.description;
}

void tst_Layout::controls() {
    QFETCH(QString, name);
    QFETCH(QByteArray, className);
    QFETCH(QString, parent);
    QFETCH(bool, hasText);
    QFETCH(QString, text);
    QFETCH(QString, description);

    QWidget *w = find(name);
    QVERIFY2(w, "missing or not unique");
    QCOMPARE(QByteArray(w->metaObject()->className()), className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), parent);

    const std::optional<QString> shown = shownText(w);
    QCOMPARE(shown.has_value(), hasText);
    if (hasText)
        QCOMPARE(*shown, text);

    QCOMPARE(w->accessibleDescription(), description);
    QVERIFY(w->accessibleName().isEmpty());
}

// Whatever sits on the window, a tab page, a frame or the lamp box is one of the table's controls.
void tst_Layout::noOtherControls() {
    QStringList known;
    for (const Control &c : ::controls())
        known << c.name;
    QList<QWidget *> holders{&m_window, m_ui.Picture2};
    for (int i = 0; i < m_ui.SSTab1->count(); ++i)
        holders << m_ui.SSTab1->widget(i);
    for (QGroupBox *g : m_window.findChildren<QGroupBox *>())
        holders << g;

    int placed = 0;
    for (const QWidget *holder : holders) {
        for (const QWidget *w : holder->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(known.contains(w->objectName()),
                     qPrintable(holder->objectName() + u'/' + w->objectName()));
            ++placed;
        }
    }
    QCOMPARE(placed, int(known.size()));
}

void tst_Layout::buddies_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("box");
    const char *const pairs[][2] = {
        {"Label8_0", "txtStationID"},
        {"Label8_1", "txtStartID"},
        {"Label8_3", "txtFunID"},
        {"Label8_2", "txtDataLength"},
        {"Label8_4", "txtTimerSet_0"},
        {"Label8_5", "txtTimerSet_1"},
        {"Label1", "txtFilePath"},
        {"Label3", "Combo1"},
        {"Label5_2", "Combo2"},
        {"lblAlarm_0", "txtAlarmValue_0"},
        {"lblAlarm_1", "txtAlarmValue_1"},
        {"lblAlarm_3", "txtAlarmValue_2"},
        {"lblAlarm_2", "txtAlarmValue_3"},
        {"Label7", "txtCommand"},
    };
    for (const auto &p : pairs)
        QTest::newRow(p[0]) << QString::fromLatin1(p[0]) << QString::fromLatin1(p[1]);
    for (int k = 0; k < 8; ++k)
        QTest::addRow("lblValue_%d", k)
            << QStringLiteral("lblValue_%1").arg(k) << QStringLiteral("txtValue_%1").arg(k);
}

void tst_Layout::buddies() {
    QFETCH(QString, label);
    QFETCH(QString, box);
    auto *l = find<QLabel>(label);
    QVERIFY(l);
    QVERIFY(l->buddy());
    QCOMPARE(l->buddy()->objectName(), box);
}

void tst_Layout::fonts_data() {
    QTest::addColumn<QString>("name");
    for (const Control &c : ::controls())
        QTest::newRow(qPrintable(c.name)) << c.name;
}

void tst_Layout::fonts() {
    QFETCH(QString, name);
    QWidget *w = find(name);
    QVERIFY(w);
    if (!isValueFont(name)) {
        QVERIFY2(!w->testAttribute(Qt::WA_SetFont), "expected the default font");
        return;
    }
    const QFont f = w->font();
    QCOMPARE(f.family(), QString::fromUtf8("宋体"));
    QCOMPARE(f.pointSize(), 12);
    QCOMPARE(f.weight(), QFont::Normal);
    QVERIFY(!f.italic());
}

void tst_Layout::centredText_data() {
    QTest::addColumn<QString>("name");
    for (const char *n : {"txtStationID", "txtStartID", "txtFunID", "txtDataLength", "lblCounter"})
        QTest::newRow(n) << QString::fromLatin1(n);
    for (int k = 0; k < 8; ++k)
        QTest::addRow("txtValue_%d", k) << QStringLiteral("txtValue_%1").arg(k);
}

void tst_Layout::centredText() {
    QFETCH(QString, name);
    QWidget *w = find(name);
    QVERIFY(w);
    Qt::Alignment a;
    if (auto *e = qobject_cast<QLineEdit *>(w))
        a = e->alignment();
    else if (auto *l = qobject_cast<QLabel *>(w))
        a = l->alignment();
    else
        QFAIL("neither a text box nor a label");
    QCOMPARE(a & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

void tst_Layout::combos_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QStringList ports;
    for (int n = 1; n <= 25; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    QTest::newRow("Combo1") << "Combo1" << ports;
    QTest::newRow("Combo2") << "Combo2" << QStringList{"9600", "19200"};
}

void tst_Layout::combos() {
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    auto *c = find<QComboBox>(name);
    QVERIFY(c);
    QStringList shown;
    for (int i = 0; i < c->count(); ++i)
        shown << c->itemText(i);
    QCOMPARE(shown, items);
    QVERIFY(c->isEditable());
    QCOMPARE(c->insertPolicy(), QComboBox::NoInsert);
    // No entry is selected until start-up picks the stored port and baud rate.
    QCOMPARE(c->currentIndex(), -1);
}

void tst_Layout::textBoxes() {
    QVERIFY(!m_ui.CheckSave->isChecked());
    QCOMPARE(m_ui.txtState->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(m_ui.txtSet->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(m_ui.txtSet->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

// Sizes in twips as the original window had them; positions where they are fixed. The reference
// is the widget the position is measured from: the tab control for the pages' contents.
void tst_Layout::rectangles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QRect>("twips"); // a negative left, top, width or height is not fixed

    QTest::newRow("SSTab1") << "SSTab1"
                            << "frmMain" << QRect(0, 0, 10455, 5775);
    QTest::newRow("Frame1") << "Frame1"
                            << "frmMain" << QRect(120, 5880, 10335, 1815);
    QTest::newRow("Frame10") << "Frame10"
                             << "SSTab1" << QRect(120, 600, 7335, 855);
    QTest::newRow("Frame6") << "Frame6"
                            << "SSTab1" << QRect(7560, 600, 2775, 855);
    QTest::newRow("Frame2") << "Frame2"
                            << "SSTab1" << QRect(120, 1440, 10215, 1575);
    QTest::newRow("Frame11") << "Frame11"
                             << "SSTab1" << QRect(120, 4320, 10215, 1215);
    QTest::newRow("Frame5") << "Frame5"
                            << "SSTab1" << QRect(120, 480, 6615, 855);
    QTest::newRow("frame3") << "frame3"
                            << "SSTab1" << QRect(120, 1440, 9855, 3975);
    QTest::newRow("Frame4") << "Frame4"
                            << "frame3" << QRect(4200, 240, 5415, 3015);
    QTest::newRow("txtOutPut") << "txtOutPut"
                               << "SSTab1" << QRect(120, 3120, 10215, 375);
    QTest::newRow("txtState") << "txtState"
                              << "Frame1" << QRect(-1, -1, 9975, 1095);
    QTest::newRow("Picture2") << "Picture2"
                              << "Frame6" << QRect(-1, -1, 900, 255);
    QTest::newRow("txtFilePath") << "txtFilePath"
                                 << "SSTab1" << QRect(120, -1, 8655, -1);
}

void tst_Layout::rectangles() {
    QFETCH(QString, name);
    QFETCH(QString, reference);
    QFETCH(QRect, twips);
    QWidget *w = find(name);
    QWidget *ref = reference == QLatin1String("frmMain") ? &m_window : find(reference);
    QVERIFY(w && ref);

    if (twips.width() > 0)
        QCOMPARE(w->width(), px(twips.width()));
    if (twips.height() > 0)
        QCOMPARE(w->height(), px(twips.height()));
    // Qt's tab row is lower than the original's, so the pages' contents may sit a few pixels
    // from the original spot; elsewhere the spot is exact.
    const int slack = reference == QLatin1String("SSTab1") ? 4 : 0;
    const QPoint at = w->mapTo(ref, QPoint(0, 0));
    if (twips.left() >= 0)
        QVERIFY2(
            qAbs(at.x() - px(twips.left())) <= slack,
            qPrintable(QStringLiteral("left %1, original %2").arg(at.x()).arg(px(twips.left()))));
    if (twips.top() >= 0)
        QVERIFY2(
            qAbs(at.y() - px(twips.top())) <= slack,
            qPrintable(QStringLiteral("top %1, original %2").arg(at.y()).arg(px(twips.top()))));
}

void tst_Layout::lamps_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    QTest::addColumn<QColor>("hue"); // dominant colour at the lamp's centre
    QTest::addColumn<bool>("transparentCorners");
    QTest::newRow("imgConnected") << "imgConnected" << 16 << QColor(Qt::green) << false;
    QTest::newRow("ImgYellow") << "ImgYellow" << 16 << QColor(Qt::yellow) << false;
    QTest::newRow("imgNotConnected") << "imgNotConnected" << 15 << QColor(Qt::red) << true;
}

void tst_Layout::lamps() {
    QFETCH(QString, name);
    QFETCH(int, width);
    QFETCH(QColor, hue);
    QFETCH(bool, transparentCorners);
    auto *lamp = find<QLabel>(name);
    QVERIFY(lamp);
    // left 360 twips, top 0, 240 twips square (the red one 225 wide)
    QCOMPARE(lamp->geometry(), QRect(24, 0, width, 16));
    QVERIFY(lamp->hasScaledContents());
    QCOMPARE(lamp->toolTip(), QString::fromUtf8("数据采集通讯状态指示"));

    const QImage img = lamp->pixmap().toImage();
    QVERIFY(!img.isNull());
    QCOMPARE(img.size(), QSize(16, 16));
    // Below the highlight, where the lamp shows its own colour.
    const QColor c = img.pixelColor(9, 10);
    QCOMPARE(c.alpha(), 255);
    QCOMPARE(c.red() > 150, hue.red() > 0);
    QCOMPARE(c.green() > 150, hue.green() > 0);
    QVERIFY(c.blue() < 100);
    const QColor corner = img.pixelColor(0, 0);
    if (transparentCorners) {
        QCOMPARE(corner.alpha(), 0);
    } else {
        // the light grey ground
        QCOMPARE(corner.alpha(), 255);
        QVERIFY(corner.red() > 180 && corner.green() > 180 && corner.blue() > 180);
        QVERIFY(qAbs(corner.red() - corner.blue()) < 30);
    }
}

void tst_Layout::lampStacking() {
    // Later siblings paint over earlier ones: green at the back, red in front.
    QStringList order;
    for (QObject *o : m_ui.Picture2->children())
        if (o->isWidgetType())
            order << o->objectName();
    QCOMPARE(order, (QStringList{"imgConnected", "ImgYellow", "imgNotConnected"}));
    QCOMPARE(m_ui.Picture2->childAt(QPoint(30, 8)), m_ui.imgNotConnected);

    m_ui.imgConnected->raise();
    QCOMPARE(m_ui.Picture2->childAt(QPoint(30, 8)), m_ui.imgConnected);
    m_ui.imgNotConnected->raise(); // back to the state at start-up
    QCOMPARE(m_ui.Picture2->childAt(QPoint(30, 8)), m_ui.imgNotConnected);
}

void tst_Layout::placement_data() {
    fonts_data();
}

// Each control lies inside its container, below a group box's title, clear of its siblings
// (the three lamps excepted), and is big enough for its caption.
void tst_Layout::placement() {
    QFETCH(QString, name);
    QWidget *w = find(name);
    QVERIFY(w);
    QWidget *parent = w->parentWidget();
    const QRect r = w->geometry();
    // Only the current page has been laid out; all pages share its size.
    const bool onPage = m_ui.SSTab1->indexOf(parent) >= 0;
    const QRect room = onPage ? m_ui.SSTab1->currentWidget()->rect() : parent->rect();

    QVERIFY2(room.contains(r),
             qPrintable(QStringLiteral("(%1,%2 %3x%4) outside its container of %5x%6")
                            .arg(r.x())
                            .arg(r.y())
                            .arg(r.width())
                            .arg(r.height())
                            .arg(room.width())
                            .arg(room.height())));
    if (auto *g = qobject_cast<QGroupBox *>(parent))
        QVERIFY2(!r.intersects(titleRect(g)), "covers the title of its frame");

    const bool lamp = parent == m_ui.Picture2;
    for (const QObject *o : parent->children()) {
        auto *sibling = qobject_cast<const QWidget *>(o);
        if (!sibling || sibling == w || lamp || sibling->objectName().startsWith(u"qt_"))
            continue;
        QVERIFY2(!r.intersects(sibling->geometry()), qPrintable(sibling->objectName()));
    }

    const QFontMetrics fm = w->fontMetrics();
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        QVERIFY(titleRect(g).width() < g->width() - 8);
        QVERIFY(titleRect(g).width() >= fm.horizontalAdvance(g->title()));
    } else if (auto *l = qobject_cast<QLabel *>(w); l && !lamp) {
        QVERIFY2(l->sizeHint().width() <= r.width(), "caption clipped");
        QVERIFY2(fm.height() <= r.height(), "caption clipped");
    } else if (auto *b = qobject_cast<QPushButton *>(w)) {
        const int margin = b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
        QVERIFY2(fm.horizontalAdvance(b->text()) + 2 * margin <= r.width(), "caption clipped");
        QVERIFY2(b->sizeHint().height() <= r.height(), "caption clipped");
    } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
        QVERIFY2(c->sizeHint().width() <= r.width(), "caption clipped");
    } else if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)) {
        QVERIFY2(w->minimumSizeHint().height() <= r.height(), "text clipped");
    }
}

// The longest texts the other parts of the program put into the single-line boxes still show.
void tst_Layout::roomForContents_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    // the lowest register value, -32768, shown in tenths with two decimals
    for (int k = 0; k < 8; ++k)
        QTest::addRow("txtValue_%d", k) << QStringLiteral("txtValue_%1").arg(k) << "-3276.80";
    QTest::newRow("txtCommand") << "txtCommand"
                                << "02 04 00 00 00 02 71 F8 ";
    QString line;
    for (int ch = 1; ch <= 8; ++ch)
        line += QStringLiteral("%1#:-200.00 ").arg(ch); // a PT100 at the bottom of its range
    QTest::newRow("txtOutPut") << "txtOutPut" << line;
    QTest::newRow("txtTimerSet_0") << "txtTimerSet_0"
                                   << "60000";
    QTest::newRow("lblCounter") << "lblCounter"
                                << "65536";
    QTest::newRow("Combo1") << "Combo1"
                            << "COM25";
    QTest::newRow("Combo2") << "Combo2"
                            << "19200";
}

void tst_Layout::roomForContents() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QWidget *w = find(name);
    QVERIFY(w);
    const int needed = w->fontMetrics().horizontalAdvance(text);
    int room = 0;
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.rect = e->rect();
        opt.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
        const QMargins m = e->textMargins();
        // QLineEdit keeps 2 px of horizontal margin inside its contents rectangle
        room = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - m.left() -
               m.right() - 4;
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.editable = c->isEditable();
        room = c->style()
                   ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c)
                   .width() -
               4;
    } else {
        room = w->contentsRect().width();
    }
    QVERIFY2(needed <= room,
             qPrintable(QStringLiteral("needs %1 px, has %2").arg(needed).arg(room)));
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
