#pragma once

#include <QLocale>
#include <QString>
#include <optional>

class QCoreApplication;

namespace tr {

// The window speaks Chinese, its source language, or English from the embedded translation.
enum class Language { Chinese, English };

// "zh" or "en" (a region such as "en_US" or "zh-CN" is allowed); nothing for anything else.
std::optional<Language> languageNamed(const QString &name);

// `--lang` wins, then the environment variable TR6400_LANG, then the system locale: English when
// its language is English, Chinese otherwise (the C and POSIX locales included).
struct LanguageChoice {
    Language language = Language::Chinese;
    QString error; // a value that names no language
};
LanguageChoice chooseLanguage(const QString &option, const QString &environment,
                              const QLocale &system);

// Installs the translation of `language` into the application; Chinese needs none. False when
// the embedded translation cannot be loaded.
bool installLanguage(QCoreApplication &app, Language language);

} // namespace tr
