// What a recipient's modem shows for an SMS-SUBMIT: the SMS-DELIVER with the same service
// centre, the destination as sender, the same protocol, data coding, header indicator
// and user data, and a fixed time stamp (24/06/17,15:00:53+08). Written apart from the
// codec, field by field, so that a round trip through it checks both directions.
#pragma once

#include <string>

namespace vorsa::testing {

inline std::string deliverFromSubmit(const std::string& submit) {
    std::size_t p = 0;
    auto take = [&](std::size_t n) {
        std::string field = submit.substr(p, n);
        p += n;
        return field;
    };
    auto octet = [&]() { return std::stoi(take(2), nullptr, 16); };

    const int centreLength = octet();
    const std::string centre = submit.substr(0, 2 + 2 * static_cast<std::size_t>(centreLength));
    p = centre.size();
    const int firstOctet = octet();
    take(2);  // message reference
    const std::string digits = take(2);
    const int digitCount = std::stoi(digits, nullptr, 16);
    const std::string type = take(2);
    const std::string number = take(static_cast<std::size_t>(digitCount + digitCount % 2));
    const std::string protocol = take(2);
    const std::string coding = take(2);
    const int validityFormat = (firstOctet >> 3) & 0x03;
    take(validityFormat == 2 ? 2 : validityFormat == 0 ? 0 : 14);
    const std::string deliverFirstOctet = (firstOctet & 0x40) != 0 ? "44" : "04";
    return centre + deliverFirstOctet + digits + type + number + protocol + coding +
           "42607151003580" + submit.substr(p);
}

}  // namespace vorsa::testing
