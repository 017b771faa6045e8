// Linked into the Windows window only. Under Wine, Qt's default (GDI) font engine leaves the
// text of line edits blank while labels still show it; the FreeType engine draws both. Wine
// drops QT_* variables from the Unix environment, so the choice is made here, before main().
// Real Windows keeps Qt's default, as does anyone who sets QT_QPA_PLATFORM.
#include "serial/underwine.h"

#include <QByteArray>

namespace {

const bool freeTypeUnderWine = [] {
    if (!tr::underWine() || qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return false;
    return qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("windows:fontengine=freetype"));
}();

} // namespace
