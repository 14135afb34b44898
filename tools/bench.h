// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs the benchmark and prints its figures; returns the exit status.
int run_bench(bool json);
