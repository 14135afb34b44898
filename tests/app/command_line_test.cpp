// SPDX-License-Identifier: GPL-3.0-or-later
// The command line as the program reads it: the level argument, the options
// that answer at once, and the ones refused.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace galvetta::test {

TEST(CommandLineTest, LevelArgumentAndOptions) {
    const struct {
        std::vector<std::string> arguments;
        std::optional<int> level;
        std::string notice;
        bool uci;
        int status;
    } rows[] = {
        {{}, std::nullopt, "", false, -1},
        {{"/L12"}, 12, "", false, -1},
        {{"--uci", "/L", "12"}, 12, "", true, -1},
        {{"abc"}, 6, "", false, -1},
        {{"ab"}, std::nullopt, "", false, -1}, // two characters are no argument
        {{"/Lxyz"}, std::nullopt, "Ignored argument: /Lxyz", false, -1},
        {{"--version"}, std::nullopt, "", false, 0},
        {{"--uci", "--sideways"}, std::nullopt, "", true, 2},
        {{"--save-games"}, std::nullopt, "", false, 2},
    };
    for (const auto& row : rows) {
        const CommandLine line = ParseCommandLine(row.arguments);
        const std::string shown = row.arguments.empty() ? "(none)" : row.arguments[0];
        EXPECT_EQ(line.exit_status, row.status) << shown;
        if (line.exit_status >= 0) continue;
        EXPECT_EQ(line.options.level, row.level) << shown;
        EXPECT_EQ(line.options.notice, row.notice) << shown;
        EXPECT_EQ(line.options.uci, row.uci) << shown;
    }
}

} // namespace galvetta::test
