// Sends one text message and prints the reference the network gave it.
//
//     send_sms /dev/ttyUSB0 +40700000001 "Hello"
//
// Build it against an installed vorsa with CMake (find_package(vorsa), link vorsa::vorsa)
// or with pkg-config: g++ -std=c++17 send_sms.cpp $(pkg-config --cflags --libs vorsa)
#include <vorsa/Vorsa32.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: send_sms DEVICE NUMBER TEXT\n");
        return 2;
    }
    vorsa::TVorsa modem;
    modem.Port = argv[1];
    modem.Baud = 115200;

    // Errors are reported here; without a handler the first one throws vorsa::Exception.
    int errors = 0;
    modem.OnSMSError = [&](vorsa::TObject*, int32_t code, std::string text) {
        std::fprintf(stderr, "error %d: %s\n", static_cast<int>(code), text.c_str());
        ++errors;
    };
    // The modem confirms the message with its reference, raised as an event.
    std::string reference;
    modem.OnSentSMS = [&](vorsa::TObject*, std::string ref) { reference = ref; };

    modem.Connect();
    if (!modem.Connected()) {
        return 1;
    }
    modem.SendSMS(argv[2], argv[3]);
    // Events arrive through the thread's message loop: run it until the reference comes
    // (or for five seconds at most).
    for (int i = 0; i < 50 && reference.empty() && errors == 0; ++i) {
        vorsa::HandleMessage(100);
    }
    modem.DisConnect();
    if (errors > 0) {
        return 1;
    }
    std::printf("sent, reference %s\n", reference.c_str());
    return 0;
}
