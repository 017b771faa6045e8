// The manual where the operator stands: F1 and "使用说明" open it in the window's language, with
// its contents, every picture it names, and search.
#include "panels/manualwindow.h"
#include "ptywindow.h"

#include <QInputMethodEvent>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTranslator>
#include <QTreeWidget>

using namespace tr;
using namespace tr::test;

class TstManual : public QObject {
    Q_OBJECT
private slots:
    void opens_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("f1"); // else the button
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("word");
        QTest::newRow("zh F1") << false << true << "TR6400 使用说明"
                               << "波特率";
        QTest::newRow("en F1") << true << true << "TR6400 operator's manual"
                               << "baud rate";
        QTest::newRow("zh button") << false << false << "TR6400 使用说明"
                                   << "批量定入";
        QTest::newRow("en button") << true << false << "TR6400 operator's manual"
                                   << "dialout";
    }
    void opens() {
        QFETCH(bool, english);
        QFETCH(bool, f1);
        QFETCH(QString, title);
        QFETCH(QString, word);
        // The translation main() installs for --lang en.
        QTranslator translation;
        if (english)
            QVERIFY(translation.load(":/i18n/tr6400_en.qm") &&
                    QCoreApplication::installTranslator(&translation));
        const auto removed = qScopeGuard([&] { QCoreApplication::removeTranslator(&translation); });

        PtyWindow w;
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        f1 ? QTest::keyClick(w.window.get(), Qt::Key_F1) : w.click("cmdManual");
        auto *manual = w.window->findChild<ManualWindow *>("manualWindow");
        QVERIFY(manual && manual->isVisible());
        QCOMPARE(manual->windowTitle(), title);
        QVERIFY(manual->contents().topLevelItemCount() > 0);
        QCOMPARE(manual->contents().topLevelItem(0)->text(0), title);

        // Each picture resolves, relative to the manual, to an embedded image.
        QTextBrowser &text = manual->browser();
        QStringList pictures;
        for (QTextBlock b = text.document()->begin(); b.isValid(); b = b.next())
            for (auto f = b.begin(); !f.atEnd(); ++f)
                if (f.fragment().charFormat().isImageFormat())
                    pictures << f.fragment().charFormat().toImageFormat().name();
        QVERIFY2(pictures.size() >= 6, qPrintable(pictures.join(' ')));
        for (const QString &name : pictures) {
            const QString path = text.source().resolved(QUrl(name)).path();
            QVERIFY2(!QImage(':' + path).isNull(), qPrintable(path));
            QVERIFY2(path.contains(english ? "/en-" : "/zh-"), qPrintable(path));
        }

        // Ctrl+F, a word, and the first hit is selected; a text not in the manual is not found.
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activeWindow() == manual; }));
        QTest::keyClick(manual, Qt::Key_F, Qt::ControlModifier);
        auto *find = manual->findChild<QLineEdit *>("manualFind");
        QVERIFY(find->isVisible());
        QVERIFY(find->hasFocus());
        QInputMethodEvent typed; // as an input method commits a word, Chinese or not
        typed.setCommitString(word);
        QCoreApplication::sendEvent(find, &typed);
        QCOMPARE(text.textCursor().selectedText(), word);
        const int first = text.textCursor().position();
        QTest::keyClick(find, Qt::Key_Return);
        QVERIFY(text.textCursor().position() != first); // the word is there more than once
        QTest::keyClicks(find, "#~no such text~#");
        QVERIFY(!manual->findNext());
    }
};

QTEST_MAIN(TstManual)
#include "tst_manual.moc"
