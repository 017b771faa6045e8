#include "cli/console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

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

std::optional<QString> lostOutput;

// errno of the failed write, 0 when the whole line went out.
int put(std::FILE *stream, const QString &text) {
#ifdef SIGPIPE
    // A reader that went away is a write error (EPIPE) to report, not a silent death.
    static const auto ignored = std::signal(SIGPIPE, SIG_IGN);
    (void)ignored;
#endif
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    errno = 0;
    const std::size_t n =
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    if (std::fflush(stream) == 0 && n == static_cast<std::size_t>(bytes.size()))
        return 0;
    const int error = errno ? errno : EIO;
    std::clearerr(stream);
    return error;
}

} // namespace

bool printLine(const QString &line) {
    const int error = put(stdout, line);
    if (error && !lostOutput)
        lostOutput = QString::fromLocal8Bit(std::strerror(error));
    return error == 0;
}

std::optional<QString> stdoutFailure() {
    return lostOutput;
}

bool reportLostOutput() {
    static bool reported = false;
    if (!lostOutput)
        return false;
    if (!std::exchange(reported, true))
        printError(QStringLiteral("cannot write to standard output: %1; output was lost")
                       .arg(*lostOutput));
    return true;
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
