#include "cli/console.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define TR_ISATTY _isatty
#define TR_FILENO _fileno
#else
#include <unistd.h>
#define TR_ISATTY isatty
#define TR_FILENO fileno
#endif

namespace tr::cli {

namespace {

void put(std::FILE *stream, const QString &text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printLine(const QString &line) {
    put(stdout, line);
}

void printError(const QString &text) {
    put(stderr, QStringLiteral("tr6400-cli: ") + text);
}

void printNote(const QString &text) {
    put(stderr, text);
}

bool progressWanted(Progress progress) {
    switch (progress) {
    case Progress::Forced:
        return true;
    case Progress::Silenced:
        return false;
    case Progress::Auto:
        break;
    }
    return TR_ISATTY(TR_FILENO(stderr)) != 0;
}

} // namespace tr::cli
