// SPDX-License-Identifier: GPL-3.0-or-later
// The game layer's text (UTF-8 std::string) as the widgets' QString.
#pragma once

#include <QString>
#include <string>

namespace galvetta {

inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace galvetta
