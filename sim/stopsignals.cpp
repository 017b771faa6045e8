#include "stopsignals.h"

#include <csignal>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tr::sim {

int installStopSignals() {
    const int wakeFd = installStopHandlers({});
    std::signal(SIGPIPE, SIG_IGN);
    return wakeFd;
}

int watchParent() {
    const pid_t parent = ::getppid();
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // The parent may have ended before prctl took effect.
    if (::getppid() != parent)
        requestStop(SIGTERM);
    return parent;
}

} // namespace tr::sim
