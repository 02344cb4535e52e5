// The vorsa-sim command in a process of its own: it prints the device path when ready,
// takes console commands on standard input, and stops on quit or a signal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TerminalClient.h"

namespace vorsa::sim {
namespace {

using namespace std::chrono_literals;
using Kind = ModemLine::Kind;

// A running vorsa-sim with pipes on its standard streams; killed by PID if still there.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> arguments) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            std::vector<char*> argv;
            std::string program = VORSA_SIM_PROGRAM_PATH;
            argv.push_back(program.data());
            for (std::string& a : arguments) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        stderr_ = err[0];
    }

    ~SimProcess() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {stdin_, stdout_, stderr_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    void Send(const std::string& line) {
        ASSERT_EQ(::write(stdin_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    void CloseInput() {
        ::close(stdin_);
        stdin_ = -1;
    }
    // Reads standard output until it holds `needle` (or ends, or the time is up).
    std::string ReadOutputUntil(const std::string& needle,
                                std::chrono::milliseconds timeout = 10s) {
        return ReadUntil(stdout_, &output_, needle, timeout);
    }
    std::string ReadErrorUntil(const std::string& needle, std::chrono::milliseconds timeout = 10s) {
        return ReadUntil(stderr_, &errors_, needle, timeout);
    }
    // Waits for the process to end (its output closes), and gives its exit status.
    int Wait() {
        ReadUntil(stdout_, &output_, std::string(1, '\0'), 20s);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t pid() const { return pid_; }

  private:
    static std::string ReadUntil(int fd, std::string* seen, const std::string& needle,
                                 std::chrono::milliseconds timeout) {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (seen->find(needle) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[1024];
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            seen->append(buffer, static_cast<size_t>(n));
        }
        return *seen;
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    std::string output_, errors_;
};

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(CommandLine, PrintsTheDeviceServesItAndQuits) {
    SimProcess sim({});
    std::string device = FirstLine(sim.ReadOutputUntil("\n"));
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    TerminalClient client(device);
    EXPECT_EQ(Describe(client.Exchange("ATE0")), "I:ATE0|F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CGMI")), "I:Vorsa|F:OK");
    sim.Send("deliver +40700000001 hi there\n");
    EXPECT_EQ(Describe(client.ReadUntil({Kind::Report})), "R:+CMTI: \"SM\",1");
    sim.Send("storage\n");
    EXPECT_NE(sim.ReadOutputUntil("\"hi there\"").find("SM 1 REC UNREAD from +40700000001"),
              std::string::npos);
    sim.Send("quit\n");
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(CommandLine, SignalStopsItAndRemovesTheLink) {
    std::string link = ::testing::TempDir() + "vorsa-sim-cli-" + std::to_string(::getpid());
    SimProcess sim({"--link", link});
    ASSERT_EQ(FirstLine(sim.ReadOutputUntil("\n")), link);
    TerminalClient client(link);
    EXPECT_EQ(Describe(client.Exchange("AT")), "I:AT|F:OK");
    ::kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.Wait(), 0);
    struct stat info {};
    EXPECT_NE(::lstat(link.c_str(), &info), 0);
}

TEST(CommandLine, KeepsServingAfterTheEndOfInput) {
    SimProcess sim({"--pin", "4321", "--capacity", "5"});
    std::string device = FirstLine(sim.ReadOutputUntil("\n"));
    sim.CloseInput();
    TerminalClient client(device);
    client.Exchange("ATE0");
    EXPECT_EQ(Describe(client.Exchange("AT+CPIN?")), "I:+CPIN: SIM PIN|F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CPIN=\"4321\"")), "F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CPMS?")),
              "I:+CPMS: \"SM\",0,5,\"SM\",0,5,\"SM\",0,5|F:OK");
    ::kill(sim.pid(), SIGINT);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(CommandLine, VerbosePrintsTheTranscript) {
    SimProcess sim({"-v"});
    TerminalClient client(FirstLine(sim.ReadOutputUntil("\n")));
    client.Exchange("AT");
    std::string errors = sim.ReadErrorUntil("\\r\\nOK\\r\\n\"");
    EXPECT_NE(errors.find(" ms -> \"AT\\r\""), std::string::npos) << errors;
    EXPECT_NE(errors.find(" ms <- \""), std::string::npos) << errors;
    sim.Send("quit\n");
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(CommandLine, RefusesUnknownOptions) {
    SimProcess sim({"--frobnicate"});
    EXPECT_EQ(sim.Wait(), 2);
    SimProcess help({"--help"});
    EXPECT_NE(help.ReadOutputUntil("--link").find("usage: vorsa-sim"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
}  // namespace vorsa::sim
