#pragma once

#include "panels/seams.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

namespace tr::test {

// Records every message instead of showing a modal box. onShow runs while the "box is open",
// so a test can check what happens meanwhile (timer ticks, a second message).
struct ScriptedMessages : MessageBox {
    struct Shown {
        QString text, caption;
        Icon icon;
    };
    // Answers questions from `replies` (true: Yes); an empty queue answers No, the default.
    bool ask(const QString &text, const QString &caption) override {
        asked.append({text, caption, Icon::None});
        return !replies.isEmpty() && replies.takeFirst();
    }
    QList<Shown> shown;
    QList<bool> replies;
    // The texts shown so far, joined by '|'.
    QString texts() const {
        QStringList all;
        for (const Shown &m : shown)
            all << m.text;
        return all.join('|');
    }
    QList<Shown> asked; // the questions, with Icon::None
    std::function<void()> onShow;

    void show(const QString &text, const QString &caption, Icon icon) override {
        shown.append({text, caption, icon});
        if (onShow)
            onShow();
    }
};

// Answers file dialogs from a queue: a path, or std::nullopt for Cancel. An empty queue cancels.
struct ScriptedFiles : FileDialog {
    QList<std::optional<QString>> answers;
    QList<Options> asked;
    std::function<void()> onChoose; // runs while the "dialog is open"

    std::optional<QString> choose(const Options &options) override {
        asked.append(options);
        if (onChoose)
            onChoose();
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};

} // namespace tr::test
