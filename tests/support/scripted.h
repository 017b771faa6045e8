#pragma once

#include "panels/seams.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tr::test {

// Records every message instead of showing a modal box. onShow runs while the "box is open",
// so a test can check what happens meanwhile (timer ticks, a second message).
class ScriptedMessages : public MessageBox {
public:
    struct Shown {
        QString text;
        QString caption;
        Icon icon;
    };
    void show(const QString &text, const QString &caption, Icon icon) override;
    // Answers questions from `replies` (true: Yes); an empty queue answers No, the default.
    bool ask(const QString &text, const QString &caption) override {
        asked.append({text, caption, Icon::None});
        return !replies.isEmpty() && replies.takeFirst();
    }
    QList<Shown> shown;
    QList<bool> replies;
    QList<Shown> asked; // the questions, with Icon::None
    std::function<void()> onShow;
    QStringList texts() const;
};

// Answers file dialogs from a queue: a path, or std::nullopt for Cancel. An empty queue cancels.
class ScriptedFiles : public FileDialog {
public:
    std::optional<QString> choose(const Options &options) override;
    QList<std::optional<QString>> answers;
    QList<Options> asked;
};

} // namespace tr::test
