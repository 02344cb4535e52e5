// Prints every message that arrives, until Ctrl-C (or until COUNT messages came).
//
//     receive_sms /dev/ttyUSB0 [COUNT]
//
//     receive_sms COM3 [COUNT]            (Windows)
//
// The component raises its events from the thread's message loop. Here that loop is part
// of our own wait: on POSIX a poll(2) on vorsa::MessageLoopFd(), which becomes readable
// when an event is due, and on a signalfd for Ctrl-C; on Windows a WaitForMultipleObjects
// on vorsa::MessageLoopHandle() and on an event that the Ctrl-C handler sets. Either way
// vorsa::ProcessMessages() then raises the events.
#include <vorsa/Vorsa32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>
#endif

#ifdef _WIN32
// Ctrl-C sets an event instead of ending the program.
HANDLE stopEvent = nullptr;
BOOL WINAPI OnCtrlC(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

class Waiter {
  public:
    Waiter() {
        stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(OnCtrlC, TRUE);
    }
    ~Waiter() { CloseHandle(stopEvent); }
    // Waits for an event of the component or Ctrl-C; false on Ctrl-C.
    bool Wait() {
        HANDLE handles[2] = {vorsa::MessageLoopHandle(), stopEvent};
        return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0;
    }
};
#else
class Waiter {
  public:
    // Ctrl-C and kill become readable on a descriptor instead of ending the program.
    Waiter() {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        sigprocmask(SIG_BLOCK, &stop, nullptr);
        signals_ = signalfd(-1, &stop, SFD_CLOEXEC);
    }
    ~Waiter() { close(signals_); }
    // Waits for an event of the component or Ctrl-C; false on Ctrl-C.
    bool Wait() {
        pollfd fds[2] = {{vorsa::MessageLoopFd(), POLLIN, 0}, {signals_, POLLIN, 0}};
        while (poll(fds, 2, -1) < 0) {
        }
        return (fds[1].revents & POLLIN) == 0;
    }

  private:
    int signals_;
};
#endif

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: receive_sms DEVICE [COUNT]\n");
        return 2;
    }
    const int wanted = argc == 3 ? std::atoi(argv[2]) : 0;
    Waiter waiter;

    vorsa::TVorsa modem;
    modem.Port = argv[1];
    modem.Baud = 115200;
    int errors = 0;
    modem.OnSMSError = [&](vorsa::TObject*, int32_t code, std::string text) {
        std::fprintf(stderr, "error %d: %s\n", static_cast<int>(code), text.c_str());
        ++errors;
    };

    // A new message is stored by the modem and announced with its index: read it (which
    // also deletes it from the modem, as DeleteOnRead is set by default).
    int received = 0;
    modem.OnNotifySMS = [&](vorsa::TObject*, std::string memory, std::string index) {
        const std::string message = modem.ReadSMS(index);
        if (!message.empty()) {
            // Text mode: the header fields, a line break, the text.
            std::printf("message %s in %s: %s\n", index.c_str(), memory.c_str(), message.c_str());
            std::fflush(stdout);
            ++received;
        }
    };

    modem.Connect();
    if (!modem.Connected()) {
        return 1;
    }
    std::printf("listening on %s\n", argv[1]);
    std::fflush(stdout);

    while (wanted == 0 || received < wanted) {
        if (!waiter.Wait()) {
            break;  // Ctrl-C: disconnect cleanly below
        }
        vorsa::ProcessMessages();  // raises OnNotifySMS, OnSentSMS, OnReceiveSMS
    }
    modem.DisConnect();
    return errors > 0 ? 1 : 0;
}
