#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>
#include <optional>

namespace tr {

// The window speaks Chinese, its source language, or English from the embedded translation.
enum class Language { Chinese, English };

// "zh" or "en" (a region such as "en_US" or "zh-CN" is allowed); nothing for anything else.
std::optional<Language> languageNamed(const QString &name);

// `--lang` wins, then the environment variable TR6400_LANG, then the system locale: English when
// its language is English, Chinese otherwise (the C and POSIX locales included). An option that
// names no language is an error; such an environment value is only warned about and passed
// over, since a window started from the desktop has nowhere to show an error.
struct LanguageChoice {
    Language language = Language::Chinese;
    QString error;
    QString warning;
};
LanguageChoice chooseLanguage(const QString &option, const QString &environment,
                              const QLocale &system);

// The translations of one language, installed into the application while this object lives:
// English from the window's embedded translation, Chinese from the sources plus Qt's own Chinese
// for its widgets (file dialogs, context menus), which Qt keeps in its translations folder.
class Translations {
public:
    // False when the embedded English translation cannot be loaded. Without Qt's Chinese file
    // its widgets stay English and the window still starts.
    bool install(Language language);

private:
    QTranslator window_;
    QTranslator qt_;
};

} // namespace tr
