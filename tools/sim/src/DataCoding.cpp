#include "vorsa/sim/DataCoding.h"

namespace vorsa::sim {

DataCoding DescribeDataCoding(uint8_t dcs) {
    DataCoding coding;
    unsigned group = dcs >> 4;
    if (group <= 0x7) {
        // General data coding (00xx) and automatic deletion (01xx): same layout.
        coding.compressed = (dcs & 0x20) != 0;
        if ((dcs & 0x10) != 0) {
            coding.messageClass = dcs & 0x03;
        }
        switch (dcs >> 2 & 0x03) {
            case 1:
                coding.alphabet = Alphabet::EightBit;
                break;
            case 2:
                coding.alphabet = Alphabet::Ucs2;
                break;
            default:
                coding.alphabet = Alphabet::Gsm7;
                break;
        }
        if (coding.compressed) {
            coding.alphabet = Alphabet::EightBit;
        }
    } else if (group == 0xE) {
        coding.alphabet = Alphabet::Ucs2;  // message waiting indication, UCS2 text
    } else if (group == 0xF) {
        coding.alphabet = (dcs & 0x04) != 0 ? Alphabet::EightBit : Alphabet::Gsm7;
        coding.messageClass = dcs & 0x03;
    }
    return coding;
}

uint8_t MakeDataCoding(Alphabet alphabet, std::optional<int> messageClass) {
    uint8_t dcs = 0x00;
    if (alphabet == Alphabet::EightBit) {
        dcs = 0x04;
    } else if (alphabet == Alphabet::Ucs2) {
        dcs = 0x08;
    }
    if (messageClass) {
        dcs = static_cast<uint8_t>(dcs | 0x10 | (*messageClass & 0x03));
    }
    return dcs;
}

}  // namespace vorsa::sim
