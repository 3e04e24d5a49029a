// Child processes for the black-box tests on POSIX: posix_spawn with three pipes.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

#include "app_process.h"

extern char** environ;

namespace vesko::testing {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    return {fds[0], fds[1]};
}

// The child reads the terminal's slave side; keys go in through the master.
Pipe makeTerminal(int& slaveForChecks) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);  // the child gets it as its stdin only
    slaveForChecks = ::fcntl(slave, F_DUPFD_CLOEXEC, 0);
    return {slave, master};
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

struct Child::Impl {
    pid_t pid = -1;
    int status = -1;
    int input = -1;
    int terminal = -1;  // the slave side, kept open to look at its mode
    std::array<int, 2> outputs{-1, -1};  // stdout, stderr
    std::string out;
    std::string err;

    // Reads what has arrived, waiting at most `ms` for something to arrive.
    void pump(int ms);
    bool reap(bool block);
};

void Child::Impl::pump(int ms) {
    std::array<pollfd, 2> fds{{{outputs[0], POLLIN, 0}, {outputs[1], POLLIN, 0}}};
    if (::poll(fds.data(), fds.size(), ms) <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        char buf[4096];
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
            (i == 0 ? out : err).append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            closeFd(outputs[i]);
        }
    }
}

bool Child::Impl::reap(bool block) {
    if (pid < 0) return true;
    int raw = 0;
    if (::waitpid(pid, &raw, block ? 0 : WNOHANG) != pid) return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    pid = -1;
    return true;
}

Child::Child(const std::string& exe, const std::vector<std::string>& args, Input input)
    : impl_(std::make_unique<Impl>()) {
    ::signal(SIGPIPE, SIG_IGN);  // a child that died must fail the test, not kill it
    const Pipe in = input == Input::terminal ? makeTerminal(impl_->terminal) : makePipe();
    const Pipe out = makePipe(), err = makePipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    // The child starts with SIGPIPE as a shell would give it, not ignored as here.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&impl_->pid, exe.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in.read, out.write, err.write}) ::close(fd);
    impl_->input = in.write;
    impl_->outputs = {out.read, err.read};
    if (rc != 0) {
        impl_->pid = -1;
        throw std::runtime_error("cannot start " + exe);
    }
}

Child::~Child() {
    if (impl_->pid > 0) {
        ::kill(impl_->pid, SIGKILL);
        impl_->reap(true);
    }
    closeFd(impl_->input);
    closeFd(impl_->terminal);
    for (int& fd : impl_->outputs) closeFd(fd);
}

bool Child::waitForOutput(const std::string& text, std::size_t count,
                          std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (countOf(impl_->out, text) < count) {
        if (Clock::now() >= deadline || (impl_->outputs[0] < 0 && impl_->outputs[1] < 0)) return false;
        impl_->pump(20);
    }
    return true;
}

void Child::closeInput() {
    closeFd(impl_->input);
}

void Child::closeOutput() {
    closeFd(impl_->outputs[0]);
}

bool Child::terminalIsCooked() const {
    struct termios mode{};
    if (impl_->terminal < 0 || ::tcgetattr(impl_->terminal, &mode) != 0) return false;
    return (mode.c_lflag & ICANON) && (mode.c_lflag & ECHO);
}

void Child::signal(int sig) {
    if (impl_->pid > 0) ::kill(impl_->pid, sig);
}

void Child::send(const std::string& keys) {
    if (impl_->input >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(impl_->input, keys.data(), keys.size());
    }
}

int Child::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!impl_->reap(false)) {
        if (Clock::now() >= deadline) return -1;
        impl_->pump(5);
    }
    while (impl_->outputs[0] >= 0 || impl_->outputs[1] >= 0) impl_->pump(100);
    return impl_->status;
}

const std::string& Child::out() const { return impl_->out; }
const std::string& Child::err() const { return impl_->err; }

Finished runToEnd(const std::string& exe, const std::vector<std::string>& args, const std::string& input) {
    Child child(exe, args);
    child.send(input);
    child.closeInput();
    const int status = child.waitForExit(std::chrono::seconds(60));
    return {status, child.out(), child.err()};
}

std::string hostPath(const std::string& path) {
    return path;
}

}  // namespace vesko::testing
