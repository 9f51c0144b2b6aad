#pragma once

#include <cstdint>
#include <string>

// A font request in the fields of a Windows LOGFONTW, as the shape records and
// the live overlay keep it. A draw context builds its font from it (face,
// height in pixels, weight, italic, underline, strike-out); the other fields
// are carried for fidelity and ignored when drawing.
struct CLogFont {
    std::int32_t height = 16; // pixel height of the character cell; drawing sets it per use
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 1;
    std::uint8_t outPrecision = 3;
    std::uint8_t clipPrecision = 2;
    std::uint8_t quality = 1;
    std::uint8_t pitchAndFamily = 0x32;
    std::u16string faceName = u"Arial"; // at most 31 UTF-16 units
};
