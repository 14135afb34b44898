// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The client of the conversation server: `talk [--server NAME] REQUEST ...`.
// Returns the exit status; usage errors are 2.
int run_talk(const std::vector<std::string>& args);
