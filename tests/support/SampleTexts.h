// Texts as people write them, for the cross-checks: each with a name for the failure
// message. All are UTF-8.
#pragma once

#include <string>
#include <vector>

namespace vorsa::interop {

struct SampleText {
    const char* name;
    std::string text;
};

inline std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

inline const std::string kLatinGsm =
    "\xC3\x85se og \xC3\x98ystein, M\xC3\xBCller & S\xC3\xB6hne, Stra\xC3\x9F"
    "e, caf\xC3\xA9 "
    "\xC3\xA0 5 \xE2\x82\xAC, \xC2\xBFQu\xC3\xA9? \xC2\xA1Ol\xC3\xA9! \xC3\xA8 \xC3\xAC \xC3\xB2 "
    "\xC3\xB9 \xC3\x87 \xC3\x89 \xC2\xA3 \xC2\xA5 \xC2\xA7 [x] {y} ~z~ a|b \\ ^ _";
inline const std::string kLatinUcs2 =
    "\xC5\x81\xC3\xB3"
    "d\xC5\xBA, \xC4\x8C"
    "e\xC5\xA1tina, na\xC3\xAFve fa\xC3\xA7"
    "ade";
inline const std::string kGreek =
    "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 \xCE\xBA\xCF\x8C\xCF\x83"
    "\xCE\xBC\xCE\xB5, \xCE\x94\xCE\xA6\xCE\x93\xCE\x9B\xCE\xA9\xCE\xA0\xCE\xA8\xCE\xA3\xCE\x98"
    "\xCE\x9E";
inline const std::string kGreekCapitals =
    "\xCE\x94\xCE\xA6\xCE\x93\xCE\x9B\xCE\xA9\xCE\xA0\xCE\xA8\xCE\xA3\xCE\x98\xCE\x9E";
inline const std::string kCyrillic =
    "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
    "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
    "\xD1\x84\xD1\x80\xD0\xB0\xD0\xBD\xD1\x86\xD1\x83\xD0\xB7\xD1\x81\xD0\xBA\xD0\xB8\xD1\x85 "
    "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA";
inline const std::string kChinese =
    "\xE6\x88\x91\xE8\x83\xBD\xE5\x90\x9E\xE4\xB8\x8B\xE7\x8E\xBB\xE7\x92\x83\xE8\x80\x8C"
    "\xE4\xB8\x8D\xE4\xBC\xA4\xE8\xBA\xAB\xE4\xBD\x93\xE3\x80\x82";
// Thumbs up and waving hand with skin tones, and a technologist (a ZWJ sequence).
inline const std::string kEmoji =
    "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD \xF0\x9F\x91\x8B\xF0\x9F\x8F\xBF "
    "\xF0\x9F\xA7\x91\xF0\x9F\x8F\xBB\xE2\x80\x8D\xF0\x9F\x92\xBB ok";
inline const std::string kEuro = "\xE2\x82\xAC";
inline const std::string kHan = "\xE4\xB8\xAD";

/// Short and long texts in every script, and the lengths at the part limits.
inline std::vector<SampleText> sampleTexts() {
    return {
        {"Latin, GSM", kLatinGsm},
        {"Latin, long GSM", repeated(kLatinGsm + " ", 6)},
        {"Latin, UCS2", kLatinUcs2},
        {"Latin, long UCS2", repeated(kLatinUcs2 + " ", 8)},
        {"Greek", kGreek},
        {"Greek capitals, GSM", repeated(kGreekCapitals, 20)},
        {"Cyrillic", repeated(kCyrillic + " ", 5)},
        {"Chinese", repeated(kChinese, 10)},
        {"emoji", repeated(kEmoji + " ", 12)},
        {"160 septets", std::string(160, 's')},
        {"161 septets", std::string(161, 's')},
        {"306 septets", std::string(306, 's')},
        {"307 septets", std::string(307, 's')},
        {"70 units", repeated(kHan, 70)},
        {"71 units", repeated(kHan, 71)},
        {"134 units", repeated(kHan, 134)},
        {"135 units", repeated(kHan, 135)},
    };
}

/// An extension character at every place around the first cut of a 7-bit text (the
/// escape as the last septet of part one, its code the first of part two, and either side),
/// and a surrogate pair at every place around the first cut of a UCS2 text.
inline std::vector<SampleText> pairsAtTheCuts() {
    std::vector<SampleText> texts;
    for (std::size_t before = 148; before <= 156; ++before) {
        texts.push_back({"euro sign after septets",
                         std::string(before, 'a') + kEuro + std::string(170 - before, 'b')});
    }
    for (std::size_t before = 63; before <= 70; ++before) {
        texts.push_back({"emoji after units", repeated(kHan, before) + "\xF0\x9F\x98\x80" +
                                                  repeated(kHan, 80 - before)});
    }
    return texts;
}

}  // namespace vorsa::interop
