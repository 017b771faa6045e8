#include "support/scripted.h"

namespace tr::test {

void ScriptedMessages::show(const QString &text, const QString &caption, Icon icon)
{
    shown.append({text, caption, icon});
    if (onShow)
        onShow();
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
