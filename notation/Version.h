// SPDX-License-Identifier: GPL-3.0-or-later
// The program's version, from the project's version number.
#pragma once

#include <string>

#ifndef GALVETTA_VERSION
#define GALVETTA_VERSION "0.0.0.0"
#endif

namespace galvetta {

// The whole version, "0.11.0.125".
inline std::string FullVersion() {
    return GALVETTA_VERSION;
}

// The version without its build number, as the window's caption and the
// engine's name show it: "0.11.0".
inline std::string ShortVersion() {
    std::string version = GALVETTA_VERSION;
    size_t dots = 0;
    for (char c : version)
        dots += c == '.';
    if (dots >= 3) version.erase(version.rfind('.'));
    return version;
}

} // namespace galvetta
