// RunCommand.cpp -- posix_spawn with three pipes, fed and drained together through poll.
#include "scheduler/RunCommand.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessaly {

namespace {

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (pipe2(fd, O_CLOEXEC) != 0)
            throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    void closeEnd(int i) {
        if (fd[i] >= 0)
            close(fd[i]);
        fd[i] = -1;
    }
};

} // namespace

CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& input) {
    if (argv.empty())
        throw std::runtime_error("no program to run");
    Pipe in, out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.fd[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot run " + argv[0] + ": " + std::strerror(rc));
    in.closeEnd(0);
    out.closeEnd(1);
    err.closeEnd(1);

    // A reader that exits early must not kill us with SIGPIPE.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);

    CommandResult result;
    size_t written = 0;
    if (input.empty())
        in.closeEnd(1);
    else
        fcntl(in.fd[1], F_SETFL, O_NONBLOCK);
    char buf[16384];
    while (out.fd[0] >= 0 || err.fd[0] >= 0 || in.fd[1] >= 0) {
        pollfd fds[3] = {{in.fd[1], POLLOUT, 0}, {out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (in.fd[1] >= 0 && fds[0].revents) {
            ssize_t n = write(in.fd[1], input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<size_t>(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                written = input.size(); // the reader is gone
            if (written == input.size())
                in.closeEnd(1);
        }
        for (int i = 1; i < 3; ++i) {
            Pipe& p = i == 1 ? out : err;
            if (p.fd[0] < 0 || !fds[i].revents)
                continue;
            ssize_t n = read(p.fd[0], buf, sizeof buf);
            if (n > 0)
                (i == 1 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                p.closeEnd(0);
        }
    }
    sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace tessaly
