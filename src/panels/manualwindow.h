#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;

namespace tr {

// The operator's manual in a window of its own: the Markdown and its pictures are embedded
// resources, so it works without network or installed files. A table of contents made from the
// headings on the left, the text on the right, a find bar below (Ctrl+F).
class ManualWindow : public QWidget {
    Q_OBJECT
public:
    explicit ManualWindow(QWidget *parent = nullptr);

    // The manual in the window's language: the translation names the language of the manual.
    static QUrl manualUrl();

    QTextBrowser &browser() { return *browser_; }
    QTreeWidget &contents() { return *contents_; }
    // Shows the find bar with its text selected, ready to type.
    void showFindBar();
    // Looks for the find bar's text after (or before) the cursor, wrapping round once; false and
    // "未找到" when the text is not in the manual.
    bool findNext(bool backward = false);

private:
    void fillContents();
    void scrollToBlock(int blockNumber);

    QTextBrowser *browser_;
    QTreeWidget *contents_;
    QWidget *findBar_;
    QLineEdit *findText_;
    QLabel *findState_;
};

} // namespace tr
