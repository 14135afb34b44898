// SPDX-License-Identifier: GPL-3.0-or-later
// The project's benchmark: fixed positions searched at fixed depths by
// engine_run. The signature (total nodes and generated moves) changes only
// when the search's behaviour changes; the speed figures are for people.
#include "tools/bench.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/engine_run.h"
#include "engine/loader.h"
#include "notation/PositionText.h"

using namespace galvetta;

namespace {

struct BenchPosition {
    const char* name;
    const char* fen;
    int depth;
};

constexpr BenchPosition POSITIONS[] = {
    {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 8},
    {"open-e4e5", "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 7},
    {"sicilian", "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5", 7},
    {"kiwipete", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 7},
    {"sharp-castled", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 7},
    {"tactics", "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8", 7},
    {"quiet-middle", "r2q1rk1/pb1nbppp/1p2pn2/2pp4/3P4/1P1BPN2/PBPN1PPP/R2Q1RK1 w - - 0 10", 8},
    {"queens-off", "r4rk1/pp3ppp/2n1bn2/2pp4/8/2NPBN2/PPP2PPP/R4RK1 b - - 0 12", 8},
    {"rook-ending", "8/5pk1/6p1/8/3R4/6P1/r4PK1/8 w - - 0 40", 9},
    {"pawn-ending", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 10},
    {"promotion", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 8},
    {"promotions-mixed", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 7},
    {"knight-fork", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 7},
    {"minor-ending", "8/3k4/2n5/4p3/4P3/3B4/3K4/8 w - - 0 50", 10},
};

} // namespace

int run_bench(bool json) {
    auto block = std::make_unique<StateBlock>();
    uint64_t total_generated = 0, total_played = 0, total_nodes = 0;
    double total_ms = 0;
    int errors = 0;
    if (json) std::printf("{\"positions\": [\n");
    bool first = true;
    for (const BenchPosition& p : POSITIONS) {
        Parsed<std::string> text = FenToPositionText(p.fen);
        if (!text) {
            std::fprintf(stderr, "bench position %s: %s\n", p.name, text.error.c_str());
            return 1;
        }
        new_header(block.get(), *text.value);
        block->header.start_depth = 2;
        block->header.depth_step = 2;
        block->header.max_depth = p.depth;
        const auto t0 = std::chrono::steady_clock::now();
        engine_run(block.get());
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        const Header& h = block->header;
        const uint64_t generated = read_u64(h.generated_moves), played = read_u64(h.played_moves);
        const double seconds = ms > 0 ? ms / 1000.0 : 1e-9;
        total_generated += generated;
        total_played += played;
        total_nodes += h.nodes;
        total_ms += ms;
        errors += h.error_flag;
        if (json) {
            std::printf(
                "%s  {\"name\": \"%s\", \"depth\": %d, \"move\": \"%s\", \"generated\": %llu, \"nodes\": %u, "
                "\"played\": %llu, \"ms\": %.1f, \"error\": %d}",
                first ? "" : ",\n", p.name, p.depth, h.move_text, static_cast<unsigned long long>(generated),
                h.nodes, static_cast<unsigned long long>(played), ms, h.error_flag);
        } else {
            std::printf(
                "%-17s d%-2d %-8s gen %11llu nodes %10u played %10llu %8.1f ms %7.1f Mgen/s %6.2f Mnodes/s\n",
                p.name, p.depth, h.move_text, static_cast<unsigned long long>(generated), h.nodes,
                static_cast<unsigned long long>(played), ms, generated / seconds / 1e6,
                h.nodes / seconds / 1e6);
        }
        first = false;
    }
    const double seconds = total_ms > 0 ? total_ms / 1000.0 : 1e-9;
    if (json) {
        std::printf(
            "\n], \"generated\": %llu, \"nodes\": %llu, \"played\": %llu, \"ms\": %.1f, \"errors\": %d, "
            "\"generated_per_second\": %.0f, \"nodes_per_second\": %.0f, \"signature\": \"%llu-%llu\"}\n",
            static_cast<unsigned long long>(total_generated), static_cast<unsigned long long>(total_nodes),
            static_cast<unsigned long long>(total_played), total_ms, errors, total_generated / seconds,
            total_nodes / seconds, static_cast<unsigned long long>(total_nodes),
            static_cast<unsigned long long>(total_generated));
    } else {
        std::printf(
            "total             gen %llu nodes %llu played %llu %.1f ms %.1f Mgen/s %.2f Mnodes/s errors %d\n",
            static_cast<unsigned long long>(total_generated), static_cast<unsigned long long>(total_nodes),
            static_cast<unsigned long long>(total_played), total_ms, total_generated / seconds / 1e6,
            total_nodes / seconds / 1e6, errors);
        std::printf("signature %llu-%llu\n", static_cast<unsigned long long>(total_nodes),
                    static_cast<unsigned long long>(total_generated));
    }
    return errors == 0 ? 0 : 1;
}
