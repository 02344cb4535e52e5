// Uses the installed public headers and library the way an application does: the
// component, the error catalogue and the PDU routines.
#include <vorsa/Framework.h>
#include <vorsa/PDU.h>
#include <vorsa/SMScnst.h>
#include <vorsa/Vorsa32.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::printf("failed: %s\n", what);
        ++failures;
    }
}

}  // namespace

int main() {
    vorsa::TComponent owner;
    owner.SetDesigning(true);
    vorsa::TComponent child(&owner);
    Check((child.ComponentState() & vorsa::csDesigning) != 0, "design state inherited");

    // A component that is not connected reports 1000 with its catalogue text.
    vorsa::TVorsa modem;
    Check(modem.InitString1 == "ATZ" && modem.TextMode, "component defaults");
    int32_t reported = 0;
    std::string text;
    modem.OnSMSError = [&](vorsa::TObject*, int32_t code, std::string message) {
        reported = code;
        text = message;
    };
    Check(modem.SendSMS("+40700000000", "Hello").empty(), "no reply from a closed port");
    Check(reported == vorsa::ErrNotConnected, "1000 reported");
    Check(text == vorsa::GetErrString(vorsa::ErrNotConnected) && !text.empty(), "its text");

    // A message built and taken apart again.
    const std::string submit = vorsa::encodeSMS("", "+40700000000", "Hello", 0, 1, 0);
    Check(vorsa::PduLength(submit) * 2 + 2 == static_cast<int32_t>(submit.size()), "PduLength");
    std::string centre, originator, stamp, body;
    vorsa::decodeSMS("07910407000000F1040B910407000000F000002030400102038005C8329BFD06", centre,
                     originator, stamp, body);
    Check(originator == "+40700000000" && body == "Hello", "decodeSMS");
    Check(vorsa::formatDate(stamp) == "02/03/04,10:20:30+08", "formatDate");

    if (failures == 0) {
        std::puts("consumer ok");
    }
    return failures == 0 ? 0 : 1;
}
