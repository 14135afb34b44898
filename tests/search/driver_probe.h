// SPDX-License-Identifier: GPL-3.0-or-later
// The driver's tests look into its engine block, which nothing else may.
#pragma once

#include "search/EngineDriver.h"

namespace galvetta {

struct TEngineDriverProbe {
    static StateBlock& Block(TEngineDriver& driver) { return *driver.Block; }
};

} // namespace galvetta
