// SPDX-License-Identifier: GPL-3.0-or-later
// A small Polyglot book for tests: e2e4 from the start position (the
// published key 0x463b96181691fc9c) and one entry of another position
// before it, or after it when the book is to be out of order.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace galvetta::test {

inline std::string WriteStartBook(const char* name, bool sorted = true) {
    const std::string path = ::testing::TempDir() + name;
    const unsigned char e2e4[16] = {0x46, 0x3b, 0x96, 0x18, 0x16, 0x91, 0xfc, 0x9c,
                                    0x03, 0x1c, 0,    1,    0,    0,    0,    0};
    const unsigned char before[16] = {0x01, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x1c, 0, 1, 0, 0, 0, 0};
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(sorted ? before : e2e4, 1, 16, file);
    std::fwrite(sorted ? e2e4 : before, 1, 16, file);
    std::fclose(file);
    return path;
}

} // namespace galvetta::test
