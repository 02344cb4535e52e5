// What encodeSMS writes comes back through decodeSMS: the fields of each SMS-SUBMIT are
// rebuilt into the SMS-DELIVER that a recipient's modem would show.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// Turns an SMS-SUBMIT (no validity period, one-digit-pair lengths) into the SMS-DELIVER
// with the same service centre, the destination as originator, the same data coding and
// user data, and a fixed time stamp.
std::string deliverFromSubmit(const std::string& submit) {
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
    take(2);  // first octet
    take(2);  // message reference
    const int digits = octet();
    const std::string type = take(2);
    const std::string number = take(static_cast<std::size_t>(digits + digits % 2));
    const std::string protocol = take(2);
    const std::string coding = take(2);
    const std::string rest = submit.substr(p);  // length and user data
    return centre + "04" + submit.substr(centre.size() + 4, 2) + type + number + protocol + coding +
           "42607151003580" + rest;
}

std::string randomDigits(std::mt19937& random, int from, int to) {
    std::uniform_int_distribution<int> length(from, to);
    std::uniform_int_distribution<int> digit(0, 9);
    std::string digits(static_cast<std::size_t>(length(random)), '0');
    for (char& c : digits) {
        c = static_cast<char>('0' + digit(random));
    }
    return digits;
}

// A number in one of the forms a caller writes, and the form the decoder gives back.
struct Number {
    std::string written;
    std::string read;
};

Number randomNumber(std::mt19937& random) {
    const std::string digits = randomDigits(random, 1, 20);
    switch (random() % 3) {
        case 0:
            return {"+" + digits, "+" + digits};
        case 1:
            return {"00" + digits, "+" + digits};
        default:
            // Digits that happen to begin with "00" are international all the same.
            return {digits, digits.compare(0, 2, "00") == 0 ? "+" + digits.substr(2) : digits};
    }
}

TEST(RoundTrip, SevenBitTextsAndNumbersComeBack) {
    std::mt19937 random(4242);
    std::uniform_int_distribution<int> length(0, 159);
    std::uniform_int_distribution<int> code(0, 127);
    for (int round = 0; round < 4000; ++round) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : text) {
            c = static_cast<char>(code(random));
        }
        const Number centre = round % 4 == 0 ? Number{"", ""} : randomNumber(random);
        const Number destination = randomNumber(random);
        const std::string submit = encodeSMS(centre.written, destination.written, text,
                                             static_cast<uint8_t>(random()), 1, 0);
        ASSERT_EQ(PduLength(submit),
                  static_cast<int32_t>(submit.size() / 2 - 1 -
                                       std::stoul(submit.substr(0, 2), nullptr, 16)));

        std::string serviceCentre, originator, timeStamp, decoded;
        decodeSMS(deliverFromSubmit(submit), serviceCentre, originator, timeStamp, decoded);

        // Codes 0 and 2 share their septets with "@" and "$", which is how they return.
        std::string expected = text;
        for (char& c : expected) {
            c = c == '\0' ? '@' : c == '\2' ? '$' : c;
        }
        ASSERT_EQ(decoded, expected) << submit;
        ASSERT_EQ(originator, destination.read) << submit;
        ASSERT_EQ(serviceCentre, centre.read) << submit;
        ASSERT_EQ(timeStamp, "24061715005308");
    }
}

TEST(RoundTrip, EightBitTextsComeBack) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> length(0, 140);
    std::uniform_int_distribution<int> code(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string text(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : text) {
            c = static_cast<char>(code(random));
        }
        const Number destination = randomNumber(random);
        std::string serviceCentre, originator, timeStamp, decoded;
        decodeSMS(deliverFromSubmit(encodeSMS("", destination.written, text, 0, 1, 1)),
                  serviceCentre, originator, timeStamp, decoded);
        std::string expected = text;
        for (char& c : expected) {
            c = c == '\0' ? '@' : c == '\2' ? '$' : c;
        }
        ASSERT_EQ(decoded, expected);
        ASSERT_EQ(originator, destination.read);
    }
}

}  // namespace
}  // namespace vorsa
