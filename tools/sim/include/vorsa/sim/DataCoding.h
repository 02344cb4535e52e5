// The data coding scheme octet (TP-DCS, GSM 03.38): which alphabet the user data uses and
// which message class, if any, the message has.
#pragma once

#include <cstdint>
#include <optional>

namespace vorsa::sim {

enum class Alphabet { Gsm7, EightBit, Ucs2 };

struct DataCoding {
    Alphabet alphabet = Alphabet::Gsm7;
    std::optional<int> messageClass;  // 0-3
    bool compressed = false;          // compressed text is carried as 8-bit data
};

/// Reads a TP-DCS octet. Reserved codings read as the default alphabet, as GSM 03.38 asks
/// a receiver to do.
[[nodiscard]] DataCoding DescribeDataCoding(uint8_t dcs);
/// The general-coding-group octet for an alphabet and optional class (0x00, 0x04, 0x08,
/// with bit 4 and the class when a class is given).
[[nodiscard]] uint8_t MakeDataCoding(Alphabet alphabet, std::optional<int> messageClass);

}  // namespace vorsa::sim
