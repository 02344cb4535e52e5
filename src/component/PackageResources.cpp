// The package's resources: the palette bitmap of TVorsa, a 24 by 24 pixel, 16-colour
// Windows bitmap (a phone with a message bubble), built at compile time from the picture
// below into the bytes of a .bmp file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr int Side = 24;

// One hexadecimal digit a pixel, naming a colour of the standard 16-colour palette; "d"
// (fuchsia) is the background, which a palette shows as transparent.
constexpr const char* Picture[Side] = {
    "dddddddddddddddddddddddd", "dddddddddddd000000000ddd", "ddd0dddddddd0fffffff0ddd",
    "ddd0dddddddd0f0f0f0f0ddd", "ddd0dddddddd0fffffff0ddd", "dd0000000ddd0000f0000ddd",
    "d0888888800dddd0f0dddddd", "d0877777780ddd0f0ddddddd", "d0866666680ddd00dddddddd",
    "d0866f66680ddddddddddddd", "d086f6f6680ddddddddddddd", "d0866666680ddddddddddddd",
    "d0866666680ddddddddddddd", "d0877777780ddddddddddddd", "d0870707080ddddddddddddd",
    "d0877777780ddddddddddddd", "d0807070780ddddddddddddd", "d0877777780ddddddddddddd",
    "d0870707080ddddddddddddd", "d0877777780ddddddddddddd", "d0888888880ddddddddddddd",
    "dd00000000dddddddddddddd", "dddddddddddddddddddddddd", "dddddddddddddddddddddddd",
};

// The standard 16 colours, as red, green, blue.
constexpr uint8_t Colours[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;
constexpr size_t PaletteSize = 16 * 4;
constexpr size_t RowSize = Side / 2;  // two pixels a byte; 12 is already a multiple of 4
constexpr size_t PixelOffset = FileHeaderSize + InfoHeaderSize + PaletteSize;
constexpr size_t FileSize = PixelOffset + RowSize * Side;

constexpr uint8_t Nibble(char Digit) {
    return static_cast<uint8_t>(Digit <= '9' ? Digit - '0' : Digit - 'a' + 10);
}

template <size_t N>
constexpr void PutLittleEndian(std::array<uint8_t, N>& Out, size_t At, uint32_t Value, int Bytes) {
    for (int I = 0; I < Bytes; ++I) {
        Out[At + I] = static_cast<uint8_t>(Value >> (8 * I));
    }
}

constexpr std::array<uint8_t, FileSize> MakeBitmap() {
    std::array<uint8_t, FileSize> Out{};
    Out[0] = 'B';
    Out[1] = 'M';
    PutLittleEndian(Out, 2, FileSize, 4);
    PutLittleEndian(Out, 10, PixelOffset, 4);
    PutLittleEndian(Out, 14, InfoHeaderSize, 4);
    PutLittleEndian(Out, 18, Side, 4);
    PutLittleEndian(Out, 22, Side, 4);
    PutLittleEndian(Out, 26, 1, 2);  // planes
    PutLittleEndian(Out, 28, 4, 2);  // bits a pixel
    PutLittleEndian(Out, 34, RowSize * Side, 4);
    PutLittleEndian(Out, 38, 2835, 4);  // 72 dots an inch
    PutLittleEndian(Out, 42, 2835, 4);
    PutLittleEndian(Out, 46, 16, 4);   // colours used
    PutLittleEndian(Out, 50, 16, 4);   // colours important
    for (size_t C = 0; C < 16; ++C) {  // blue, green, red, reserved
        Out[FileHeaderSize + InfoHeaderSize + 4 * C] = Colours[C][2];
        Out[FileHeaderSize + InfoHeaderSize + 4 * C + 1] = Colours[C][1];
        Out[FileHeaderSize + InfoHeaderSize + 4 * C + 2] = Colours[C][0];
    }
    for (size_t Row = 0; Row < Side; ++Row) {  // bottom row first
        const char* Line = Picture[Side - 1 - Row];
        for (size_t X = 0; X < RowSize; ++X) {
            Out[PixelOffset + Row * RowSize + X] =
                static_cast<uint8_t>(Nibble(Line[2 * X]) << 4 | Nibble(Line[2 * X + 1]));
        }
    }
    return Out;
}

// Every row of the picture has Side pixels, each a lower-case hexadecimal digit.
constexpr bool PictureIsWellFormed() {
    for (const char* Line : Picture) {
        for (int X = 0; X < Side; ++X) {
            const char C = Line[X];
            if (!((C >= '0' && C <= '9') || (C >= 'a' && C <= 'f'))) {
                return false;
            }
        }
        if (Line[Side] != '\0') {
            return false;
        }
    }
    return true;
}
static_assert(PictureIsWellFormed());

constexpr std::array<uint8_t, FileSize> PaletteBitmap = MakeBitmap();

}  // namespace

std::string_view FindPackageResource(std::string_view Name) {
    if (Name == "TVORSA") {
        return {reinterpret_cast<const char*>(PaletteBitmap.data()), PaletteBitmap.size()};
    }
    return {};
}

}  // namespace vorsa
