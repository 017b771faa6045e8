#pragma once

#include <QTranslator>

namespace tr {

// Loads the embedded English translation into `translator`; false if it is missing from the build.
bool loadEnglish(QTranslator &translator);

} // namespace tr
