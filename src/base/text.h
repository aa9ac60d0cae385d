// Text conversions between the viewer's wide (16-bit) text and the 8-bit
// bytes of files, command lines and log lines. A byte becomes the character
// of the same value and back, so a name typed in any encoding (UTF-8 "ä" is
// the two bytes C3 A4) reaches the file system as the bytes the user typed.
#pragma once

#include <string>

// Keeps the low byte of each character.
std::string narrowText(const std::u16string& text);
// Each byte becomes the 16-bit character of the same value.
std::u16string widenText(const std::string& text);
