#include "app/language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tr {

std::optional<Language> languageNamed(const QString &name) {
    const QString base = name.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0);
    if (base.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0)
        return Language::Chinese;
    if (base.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
        return Language::English;
    return std::nullopt;
}

LanguageChoice chooseLanguage(const QString &option, const QString &environment,
                              const QLocale &system) {
    LanguageChoice choice;
    for (const QString &given : {option, environment}) {
        if (given.isEmpty())
            continue;
        if (const std::optional<Language> named = languageNamed(given))
            choice.language = *named;
        else
            choice.error = QStringLiteral("\"%1\" is no language: use zh or en").arg(given);
        return choice;
    }
    choice.language = system.language() == QLocale::English ? Language::English : Language::Chinese;
    return choice;
}

bool installLanguage(QCoreApplication &app, Language language) {
    if (language == Language::Chinese)
        return true;
    // Lives as long as the application: the installed translator is looked up at every tr().
    static QTranslator english;
    return english.load(QStringLiteral(":/i18n/tr6400_en.qm")) && app.installTranslator(&english);
}

} // namespace tr
