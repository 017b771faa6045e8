#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>

namespace tr {

// The caption of the tool's own messages and prompts.
inline QString promptCaption() {
    return QCoreApplication::translate("tr::MessageBox", "系统提示");
}

// Modal message boxes go through this seam: real QMessageBox in the app, scripted in tests.
class MessageBox {
public:
    enum class Icon { None, Exclamation, Information, Critical };
    virtual ~MessageBox() = default;
    // Modal, one OK button; returns when the operator closes it.
    virtual void show(const QString &text, const QString &caption, Icon icon) = 0;
    // Modal, Yes and No with No as the default; true only when the operator chose Yes. A box
    // that cannot ask answers No, which leaves everything as it was.
    virtual bool ask(const QString &text, const QString &caption) {
        Q_UNUSED(text);
        Q_UNUSED(caption);
        return false;
    }
};

// File dialogs: real QFileDialog in the app, scripted in tests.
class FileDialog {
public:
    struct Options {
        QString title;
        QString initialDir;
        QString filter;         // Qt filter syntax: "txt (*.txt)"
        bool save = false;      // save dialog, else open dialog
        bool mustExist = false; // open: only an existing file can be chosen
        bool confirmOverwrite = false;
        // The type box shows each filter without its trailing "(patterns)":
        // "所有文件（*） (*)" reads "所有文件（*）" and still lists every file.
        bool hideFilterPatterns = false;
    };
    virtual ~FileDialog() = default;
    // The chosen full path, or nothing when the operator cancelled.
    virtual std::optional<QString> choose(const Options &options) = 0;
};

} // namespace tr
