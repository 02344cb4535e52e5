// Prints every message that arrives, until Ctrl-C (or until COUNT messages came).
//
//     receive_sms /dev/ttyUSB0 [COUNT]
//
// The component raises its events from the thread's message loop. Here that loop is part
// of our own poll(2) loop: vorsa::MessageLoopFd() becomes readable when an event is due,
// and vorsa::ProcessMessages() raises it. Ctrl-C arrives on a signalfd in the same poll.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <vorsa/Vorsa32.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: receive_sms DEVICE [COUNT]\n");
        return 2;
    }
    const int wanted = argc == 3 ? std::atoi(argv[2]) : 0;

    // Ctrl-C and kill become readable on a descriptor instead of ending the program.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int signals = signalfd(-1, &stop, SFD_CLOEXEC);

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

    pollfd fds[2] = {{vorsa::MessageLoopFd(), POLLIN, 0}, {signals, POLLIN, 0}};
    while (wanted == 0 || received < wanted) {
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents & POLLIN) {
            break;  // Ctrl-C: disconnect cleanly below
        }
        if (fds[0].revents & POLLIN) {
            vorsa::ProcessMessages();  // raises OnNotifySMS, OnSentSMS, OnReceiveSMS
        }
    }
    modem.DisConnect();
    close(signals);
    return errors > 0 ? 1 : 0;
}
