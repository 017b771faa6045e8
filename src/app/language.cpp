#include "app/language.h"

#include "words/english.h"

#include <QCoreApplication>
#include <QLibraryInfo>

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
    if (!option.isEmpty()) {
        if (const std::optional<Language> named = languageNamed(option))
            choice.language = *named;
        else
            choice.error = QStringLiteral("\"%1\" is no language: use zh or en").arg(option);
        return choice;
    }
    if (!environment.isEmpty()) {
        if (const std::optional<Language> named = languageNamed(environment)) {
            choice.language = *named;
            return choice;
        }
        choice.warning = QStringLiteral("TR6400_LANG=\"%1\" is no language (zh or en); ignored")
                             .arg(environment);
    }
    choice.language = system.language() == QLocale::English ? Language::English : Language::Chinese;
    return choice;
}

bool Translations::install(Language language) {
    QCoreApplication::removeTranslator(&window_);
    QCoreApplication::removeTranslator(&qt_);
    if (language == Language::English)
        return loadEnglish(window_) &&
               QCoreApplication::installTranslator(&window_);
    if (qt_.load(QStringLiteral("qtbase_zh_CN"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
    return true;
}

} // namespace tr
