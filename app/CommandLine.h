// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of galvetta: the options that answer at once (--help,
// --version), those the session takes (--uci, --save-games FILE) and the
// "/L" argument that sets the level slider.
#pragma once

#include <string>
#include <vector>

#include "play/StartOptions.h"

namespace galvetta {

struct CommandLine {
    StartOptions options;
    // -1 to go on; otherwise the program ends at once with this status, after
    // writing `output` to standard output and `error` to standard error.
    int exit_status = -1;
    std::string output, error;
};

// `arguments` are those after the program's name. --save-games opens its file.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

} // namespace galvetta
