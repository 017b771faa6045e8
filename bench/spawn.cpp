#include "bench/spawn.h"

#include "modbus/clock.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace tr::bench {

QString RunResult::describe() const {
    if (!started)
        return QStringLiteral("could not be started");
    if (timedOut)
        return QStringLiteral("did not end in time");
    if (crashed)
        return QStringLiteral("crashed");
    QString text = QStringLiteral("exit code %1").arg(exitCode);
    const QString said = QString::fromLocal8Bit(err.trimmed());
    if (!said.isEmpty())
        text += QStringLiteral(": ") + said.left(300);
    return text;
}

RunResult runProgram(const QString &program, const QStringList &args, int timeoutMs) {
    RunResult r;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return r;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return r;
    }

    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    // The child must not hold the simulator's standard input open, nor read the terminal.
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    pid_t pid = 0;
    r.spawnedAt = monotonicMicros();
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return r;
    }
    r.started = true;

    const qint64 deadline = r.spawnedAt + qint64(timeoutMs) * 1000;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    QByteArray *sinks[2] = {&r.out, &r.err};
    int open = 2;
    while (open > 0) {
        const qint64 left = deadline - monotonicMicros();
        if (left <= 0) {
            r.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const int ready = ::poll(fds, 2, int(left / 1000) + 1);
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, n);
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd &p : fds) {
        if (p.fd >= 0)
            ::close(p.fd);
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.endedAt = monotonicMicros();
    if (WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    else if (!r.timedOut)
        r.crashed = true;
    return r;
}

} // namespace tr::bench
