#include "support/scripted.h"

namespace tr::test {

void ScriptedMessages::show(const QString &text, const QString &caption, Icon icon)
{
    shown.append({text, caption, icon});
    if (onShow)
        onShow();
}

bool ScriptedMessages::ask(const QString &text, const QString &caption)
{
    asked.append({text, caption, Icon::None});
    return replies.isEmpty() ? false : replies.takeFirst();
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

std::optional<QString> ScriptedFiles::choose(const Options &options)
{
    asked.append(options);
    if (answers.isEmpty())
        return std::nullopt;
    return answers.takeFirst();
}

} // namespace tr::test
