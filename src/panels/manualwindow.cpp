#include "panels/manualwindow.h"

#include <QAbstractTextDocumentLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

// The manual lives in a static library; nothing would pull it in without this.
static void initManualResources() {
    Q_INIT_RESOURCE(manual);
}

namespace tr {

ManualWindow::ManualWindow(QWidget *parent)
    : QWidget(parent, Qt::Window), browser_(new QTextBrowser), contents_(new QTreeWidget),
      findBar_(new QWidget), findText_(new QLineEdit), findState_(new QLabel) {
    initManualResources();
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(tr("TR6400 使用说明"));
    resize(1060, 720); // the pictures of the window, 714 px wide, fit beside the contents

    browser_->setObjectName(QStringLiteral("manualText"));
    browser_->setOpenExternalLinks(true);
    contents_->setObjectName(QStringLiteral("manualContents"));
    contents_->setHeaderLabel(tr("目录"));
    contents_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *splitter = new QSplitter;
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 810});

    findText_->setObjectName(QStringLiteral("manualFind"));
    findText_->setPlaceholderText(tr("查找"));
    findText_->setClearButtonEnabled(true);
    auto *previous = new QPushButton(tr("上一个"));
    auto *next = new QPushButton(tr("下一个"));
    auto *close = new QPushButton(tr("关闭"));
    auto *bar = new QHBoxLayout(findBar_);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(new QLabel(tr("查找：")));
    bar->addWidget(findText_, 1);
    bar->addWidget(previous);
    bar->addWidget(next);
    bar->addWidget(findState_);
    bar->addStretch();
    bar->addWidget(close);
    findBar_->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(findBar_);

    connect(previous, &QPushButton::clicked, this, [this] { findNext(true); });
    connect(next, &QPushButton::clicked, this, [this] { findNext(); });
    connect(findText_, &QLineEdit::returnPressed, this, [this] { findNext(); });
    // Typing searches again from where the last hit began, so the hit grows with the word.
    connect(findText_, &QLineEdit::textEdited, this, [this] {
        QTextCursor cursor = browser_->textCursor();
        cursor.setPosition(cursor.selectionStart());
        browser_->setTextCursor(cursor);
        findNext();
    });
    connect(close, &QPushButton::clicked, findBar_, &QWidget::hide);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this,
            &ManualWindow::showFindBar);
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this,
            [this] { findNext(); });
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            [this] { findNext(true); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), findBar_);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, findBar_, &QWidget::hide);
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { scrollToBlock(item->data(0, Qt::UserRole).toInt()); });
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { scrollToBlock(item->data(0, Qt::UserRole).toInt()); });

    browser_->setSource(manualUrl(), QTextDocument::MarkdownResource);
    fillContents();
}

QUrl ManualWindow::manualUrl() {
    //: The language of the manual that opens: zh (Chinese) or en (English).
    const QString language = tr("zh");
    return QUrl(QStringLiteral("qrc:/manual/manual-%1.md").arg(language));
}

void ManualWindow::fillContents() {
    contents_->clear();
    // The nearest open heading of each level, so a heading hangs below the one above its level.
    QList<QTreeWidgetItem *> open;
    for (QTextBlock block = browser_->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 3)
            continue;
        while (!open.isEmpty() && open.size() >= level)
            open.removeLast();
        auto *item =
            open.isEmpty() ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(open.constLast());
        item->setText(0, block.text());
        item->setData(0, Qt::UserRole, block.blockNumber());
        while (open.size() < level - 1)
            open.append(item); // a skipped level hangs its children below this heading
        open.append(item);
    }
    contents_->expandAll();
}

void ManualWindow::scrollToBlock(int blockNumber) {
    const QTextBlock block = browser_->document()->findBlockByNumber(blockNumber);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    browser_->setTextCursor(cursor);
    const QRectF where = browser_->document()->documentLayout()->blockBoundingRect(block);
    browser_->verticalScrollBar()->setValue(int(where.top()));
}

void ManualWindow::showFindBar() {
    findBar_->show();
    findText_->setFocus(Qt::ShortcutFocusReason);
    findText_->selectAll();
}

bool ManualWindow::findNext(bool backward) {
    const QString text = findText_->text();
    findState_->clear();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags))
        return true;
    const QTextCursor before = browser_->textCursor();
    QTextCursor round(browser_->document());
    round.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(round);
    if (browser_->find(text, flags))
        return true;
    browser_->setTextCursor(before);
    findState_->setText(tr("未找到"));
    return false;
}

} // namespace tr
