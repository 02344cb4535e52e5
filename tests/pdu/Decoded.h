// The four outputs of decodeSMS as one value, so that a test compares them in one step and
// a failure shows them all.
#pragma once

#include <ostream>
#include <string>

#include "vorsa/PDU.h"

namespace vorsa::testing {

struct Decoded {
    std::string serviceCentre;
    std::string originator;
    std::string timeStamp;
    std::string text;

    bool operator==(const Decoded& other) const {
        return serviceCentre == other.serviceCentre && originator == other.originator &&
               timeStamp == other.timeStamp && text == other.text;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Decoded& d) {
    return out << "{centre \"" << d.serviceCentre << "\", originator \"" << d.originator
               << "\", stamp \"" << d.timeStamp << "\", text \"" << d.text << "\"}";
}

inline Decoded decode(const std::string& pdu) {
    Decoded d;
    decodeSMS(pdu, d.serviceCentre, d.originator, d.timeStamp, d.text);
    return d;
}

}  // namespace vorsa::testing
