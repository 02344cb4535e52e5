// The service-centre time stamp (TP-SCTS) of a received message: seven semi-octet-swapped
// octets, the last one the zone in signed quarter hours; in text mode written
// "yy/MM/dd,hh:mm:ss+zz".
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "vorsa/sim/Hex.h"

namespace vorsa::sim {

struct TimeStamp {
    int year = 0;  // 0-99
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int zoneQuarters = 0;  // signed offset from UTC in quarter hours, -79..79

    /// "yy/MM/dd,hh:mm:ss+zz".
    [[nodiscard]] std::string ToText() const;
    /// The seven TP-SCTS octets.
    [[nodiscard]] Octets ToOctets() const;
    /// Parses "yy/MM/dd,hh:mm:ss+zz" (also "-zz"); nullopt for anything else.
    [[nodiscard]] static std::optional<TimeStamp> Parse(std::string_view text);
    /// Decodes seven TP-SCTS octets; nullopt unless exactly seven with decimal digits.
    [[nodiscard]] static std::optional<TimeStamp> FromOctets(const Octets& octets);
    /// The local time of `when`, with the local zone offset.
    [[nodiscard]] static TimeStamp FromLocalTime(std::time_t when);

    bool operator==(const TimeStamp& other) const;
};

}  // namespace vorsa::sim
