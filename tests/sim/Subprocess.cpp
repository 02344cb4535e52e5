#include "Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vorsa::test {

namespace {

std::vector<std::string> Strings(const std::string& program,
                                 const std::vector<std::string>& arguments) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    return strings;
}

// The argument vector execv takes, pointing into `strings`.
std::vector<char*> Argv(std::vector<std::string>& strings) {
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

Subprocess::Subprocess(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& input, bool keepInputOpen) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    // Everything exec needs is made before fork: the child only duplicates and executes.
    std::vector<std::string> strings = Strings(program, arguments);
    std::vector<char*> argv = Argv(strings);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input_ = in[1];
    ::signal(SIGPIPE, SIG_IGN);
    (void)Write(input);
    if (!keepInputOpen) {
        CloseInput();
    }
    reader_ = std::thread([this, o = out[0], e = err[0]] { Collect(o, e); });
}

Subprocess::~Subprocess() {
    if (!reaped_) {
        (void)Finish(std::chrono::milliseconds(0));
    }
    CloseInput();
}

void Subprocess::Collect(int outFd, int errFd) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            (i == 0 ? output_ : errors_).append(buffer, static_cast<size_t>(n));
            changed_.notify_all();
        }
    }
    for (const pollfd& p : fds) {
        if (p.fd >= 0) {
            ::close(p.fd);
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

bool Subprocess::Write(const std::string& text) {
    size_t done = 0;
    while (input_ >= 0 && done < text.size()) {
        const ssize_t n = ::write(input_, text.data() + done, text.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return input_ >= 0;
}

void Subprocess::CloseInput() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
}

bool Subprocess::WaitFor(const std::string& text, bool onError, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return (onError ? errors_ : output_).find(text) != std::string::npos || closed_;
    }) && (onError ? errors_ : output_).find(text) != std::string::npos;
}

bool Subprocess::WaitForError(const std::string& text, std::chrono::milliseconds timeout) {
    return WaitFor(text, true, timeout);
}

bool Subprocess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    return WaitFor(text, false, timeout);
}

void Subprocess::Signal(int signal) {
    if (!reaped_) {
        ::kill(pid_, signal);
    }
}

int Subprocess::Finish(std::chrono::milliseconds timeout) {
    if (reaped_) {
        return status_;
    }
    CloseInput();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return closed_; })) {
            lock.unlock();
            ::kill(pid_, SIGKILL);
            status_ = -2;
        }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    if (reader_.joinable()) {
        reader_.join();
    }
    if (status_ != -2) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
        status_ = -1;
    }
    return status_;
}

std::string Subprocess::Output() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

std::string Subprocess::Errors() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

Completed RunToEnd(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& input, std::chrono::milliseconds timeout) {
    Subprocess process(program, arguments, input);
    const int status = process.Finish(timeout);
    return {status, process.Output(), process.Errors()};
}

Completed RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                        std::chrono::milliseconds timeout) {
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    std::vector<std::string> strings = Strings(program, arguments);
    std::vector<char*> argv = Argv(strings);
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        ::setsid();
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, STDIN_FILENO);
        ::dup2(slave, STDOUT_FILENO);
        ::dup2(slave, STDERR_FILENO);
        ::close(master);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(slave);
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool killed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{master, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) == 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) {
            break;  // EIO once the child and its descendants closed the terminal
        }
        shown.append(buffer, static_cast<size_t>(n));
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const int code =
        killed ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return {code, shown, ""};
}

}  // namespace vorsa::test
