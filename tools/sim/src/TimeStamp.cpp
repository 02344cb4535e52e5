#include "vorsa/sim/TimeStamp.h"

#include <cstdio>
#include <cstdlib>

namespace vorsa::sim {
namespace {

uint8_t SwappedBcd(int value) {
    return static_cast<uint8_t>((value % 10) << 4 | (value / 10 % 10));
}

int FromSwappedBcd(uint8_t octet, bool* valid) {
    int tens = octet & 0x0F;
    int units = octet >> 4;
    if (tens > 9 || units > 9) {
        *valid = false;
    }
    return tens * 10 + units;
}

bool ReadNumber(std::string_view text, size_t at, int* value) {
    if (at + 2 > text.size()) {
        return false;
    }
    char a = text[at];
    char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') {
        return false;
    }
    *value = (a - '0') * 10 + (b - '0');
    return true;
}

}  // namespace

std::string TimeStamp::ToText() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d,%02d:%02d:%02d%c%02d", year % 100, month,
                  day, hour, minute, second, zoneQuarters < 0 ? '-' : '+',
                  std::abs(zoneQuarters) % 100);
    return buffer;
}

Octets TimeStamp::ToOctets() const {
    int quarters = std::abs(zoneQuarters) % 80;
    uint8_t zone = SwappedBcd(quarters);
    if (zoneQuarters < 0) {
        zone |= 0x08;  // sign bit: bit 3 of the octet, the first semi-octet's top bit
    }
    return {SwappedBcd(year % 100),
            SwappedBcd(month),
            SwappedBcd(day),
            SwappedBcd(hour),
            SwappedBcd(minute),
            SwappedBcd(second),
            zone};
}

std::optional<TimeStamp> TimeStamp::Parse(std::string_view text) {
    // yy/MM/dd,hh:mm:ss+zz
    if (text.size() != 20 || text[2] != '/' || text[5] != '/' || text[8] != ',' ||
        text[11] != ':' || text[14] != ':' || (text[17] != '+' && text[17] != '-')) {
        return std::nullopt;
    }
    TimeStamp t;
    int zone = 0;
    if (!ReadNumber(text, 0, &t.year) || !ReadNumber(text, 3, &t.month) ||
        !ReadNumber(text, 6, &t.day) || !ReadNumber(text, 9, &t.hour) ||
        !ReadNumber(text, 12, &t.minute) || !ReadNumber(text, 15, &t.second) ||
        !ReadNumber(text, 18, &zone)) {
        return std::nullopt;
    }
    t.zoneQuarters = text[17] == '-' ? -zone : zone;
    return t;
}

std::optional<TimeStamp> TimeStamp::FromOctets(const Octets& octets) {
    if (octets.size() != 7) {
        return std::nullopt;
    }
    bool valid = true;
    TimeStamp t;
    t.year = FromSwappedBcd(octets[0], &valid);
    t.month = FromSwappedBcd(octets[1], &valid);
    t.day = FromSwappedBcd(octets[2], &valid);
    t.hour = FromSwappedBcd(octets[3], &valid);
    t.minute = FromSwappedBcd(octets[4], &valid);
    t.second = FromSwappedBcd(octets[5], &valid);
    uint8_t zone = octets[6];
    int quarters = FromSwappedBcd(static_cast<uint8_t>(zone & 0xF7), &valid);
    t.zoneQuarters = (zone & 0x08) != 0 ? -quarters : quarters;
    if (!valid) {
        return std::nullopt;
    }
    return t;
}

TimeStamp TimeStamp::FromLocalTime(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    std::tm utc{};
    gmtime_r(&when, &utc);
    // The zone offset is the difference of the two broken-down times read as UTC.
    utc.tm_isdst = 0;
    local.tm_isdst = 0;
    long offsetSeconds = static_cast<long>(timegm(&local) - timegm(&utc));
    TimeStamp t;
    localtime_r(&when, &local);
    t.year = local.tm_year % 100;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.zoneQuarters = static_cast<int>(offsetSeconds / 900);
    return t;
}

bool TimeStamp::operator==(const TimeStamp& other) const {
    return year == other.year && month == other.month && day == other.day && hour == other.hour &&
           minute == other.minute && second == other.second && zoneQuarters == other.zoneQuarters;
}

}  // namespace vorsa::sim
