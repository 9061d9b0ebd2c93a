// Small text checks shared by the tests.
#pragma once

#include <string>

namespace tavolux {

// True when text holds a byte outside ASCII (a Chinese message, for instance).
inline bool HasNonAscii(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

}  // namespace tavolux
