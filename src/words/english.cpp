#include "words/english.h"

namespace tr {

bool loadEnglish(QTranslator &translator) {
    return translator.load(QStringLiteral(":/i18n/tr6400_en.qm"));
}

} // namespace tr
