// SPDX-License-Identifier: GPL-3.0-or-later
// galvetta-tool from the outside: its output forms and its refusals.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace galvetta::test {

namespace {

constexpr const char* START = "RNBQKBNRPPPPPPPP--------------------------------pppppppprnbqkbnrB+++++";

struct Result {
    int status = -1;
    std::string out, err;
};

std::string drain(int fd) {
    std::string text;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<size_t>(n));
    close(fd);
    return text;
}

Result tool(std::vector<std::string> args) {
    args.insert(args.begin(), GALVETTA_TOOL);
    int out[2], err[2];
    Result result;
    if (pipe(out) != 0 || pipe(err) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, GALVETTA_TOOL, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    result.out = drain(out[0]); // the outputs are small: reading one after the other cannot block
    result.err = drain(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(Tool, BadInputIsOneLineOnStandardErrorAndStatusTwo) {
    std::string crowded = START, unknown_letter = START;
    crowded[20] = 'P';
    unknown_letter[3] = 'Z';
    const std::vector<std::vector<std::string>> rows = {
        {"perft", "short", "3"},
        {"perft", START, "x"},
        {"perft", START, "-1"},
        {"perft", START, "3", "--sideways"},
        {"perft", crowded, "2"},
        {"moves", unknown_letter},
        {"show"},
        {"fen", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1"},
        {"fen", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1"},
        {"tofen", std::string(START).substr(0, 69)},
        {"search", START, "--max"},
        {"search", START, "--depth", "3"},
        {"search", START, "--step", "0"},
        {"legal", START, "e2"},
        {"bench", "--fast"},
        {"juggle"},
        {"book", "/tmp", "startpos"}, // a directory is neither a book nor a game file
        {"pgn", "/tmp"},
        {},
    };
    for (const auto& row : rows) {
        const Result r = tool(row);
        std::string shown;
        for (const auto& a : row)
            shown += a + " ";
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(lines(r.err).size(), row.empty() ? lines(r.err).size() : 1u) << shown << r.err;
        EXPECT_TRUE(row.empty() || r.out.empty()) << shown;
    }
}

TEST(Tool, OutputForms) {
    Result r = tool({"search", START, "--start", "2", "--max", "2", "--step", "2"});
    ASSERT_EQ(r.status, 0);
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 7u);
    const char* keys[] = {"move ", "score ", "nodes ", "generated ", "played ", "error ", "ms "};
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(out[i].rfind(keys[i], 0), 0u) << out[i];
    EXPECT_EQ(out[5], "error 0");

    EXPECT_EQ(tool({"legal", START, "e2e4"}).out, "legal\n");
    EXPECT_EQ(tool({"legal", START, "e2e5"}).out, "illegal\n");

    const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    r = tool({"fen", fen});
    ASSERT_EQ(r.status, 0);
    const std::string text = lines(r.out).at(0);
    EXPECT_EQ(text.size(), 70u);
    EXPECT_EQ(lines(tool({"tofen", text}).out).at(0), fen);

    // --divide: one line per root move, their counts adding up to the total.
    r = tool({"perft", text, "2", "--divide"});
    ASSERT_EQ(r.status, 0);
    const auto divided = lines(r.out);
    uint64_t sum = 0;
    size_t moves = 0;
    for (const auto& line : divided) {
        const size_t blank = line.find(' ');
        if (blank == 5 || blank == 7) { // "e2-e4 N" or "e7-e8=Q N"
            sum += std::stoull(line.substr(blank + 1));
            ++moves;
        }
    }
    EXPECT_EQ(moves, 48u);
    EXPECT_EQ(divided.back(), "2039");
    EXPECT_EQ(sum, 2039u);

    r = tool({"moves", START});
    ASSERT_EQ(lines(r.out).size(), 20u);
    EXPECT_NE(lines(r.out)[7].find(" *"), std::string::npos); // d2-d4 is the pick
    EXPECT_EQ(tool({"--help"}).status, 0);
}

// The same position as FEN or as position text gives the same answers, and a
// refusal names the form it expected.
TEST(Tool, FenWhereverAPositionGoes) {
    const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    const std::string text = lines(tool({"fen", fen}).out).at(0);
    const auto without_times = [](const std::string& out) {
        std::string kept;
        for (const auto& line : lines(out))
            if (line.rfind("time ", 0) != 0 && line.rfind("ms ", 0) != 0) kept += line + "\n";
        return kept;
    };
    const std::vector<std::vector<std::string>> commands = {
        {"perft", "", "3"},
        {"search", "", "--start", "2", "--max", "4", "--step", "2"},
        {"legal", "", "e1g1"},
        {"legal", "", "e1f2"},
        {"show", ""}};
    for (auto command : commands) {
        command[1] = fen;
        const Result as_fen = tool(command);
        command[1] = text;
        const Result as_text = tool(command);
        EXPECT_EQ(as_fen.status, 0) << command[0] << as_fen.err;
        EXPECT_FALSE(as_text.out.empty()) << command[0];
        EXPECT_EQ(without_times(as_fen.out), without_times(as_text.out)) << command[0];
    }
    EXPECT_EQ(lines(tool({"perft", fen, "3"}).out).back(), "97862");

    const Result bad_fen = tool({"perft", "rnbqkbnr/pppppppp/8/8 w KQkq -", "1"});
    EXPECT_EQ(bad_fen.status, 2);
    EXPECT_NE(bad_fen.err.find("expected a FEN"), std::string::npos) << bad_fen.err;
    const Result bad_text = tool({"perft", "RNBQ", "1"});
    EXPECT_EQ(bad_text.status, 2);
    EXPECT_NE(bad_text.err.find("expected a 70-character position text"), std::string::npos) << bad_text.err;
}

// A PGN file read through: the final FEN with the game's own counters, a
// wrong move number warned of, another variant refused by name while the
// games after it are read (status 2 then).
TEST(Tool, PgnCountersWarningsAndVariants) {
    const std::string path = ::testing::TempDir() + "galvetta-tool-variants.pgn";
    std::ofstream(path) << "[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 7 30\"]\n\n30... Kd7 31. Kd2 Kd6 33. Ke3 *\n\n"
                           "[Variant \"Atomic\"]\n\n1. e4 *\n\n1. d4 d5 *\n";
    const Result r = tool({"pgn", path});
    EXPECT_EQ(r.status, 2);
    const auto out = lines(r.out), err = lines(r.err);
    ASSERT_EQ(out.size(), 2u) << r.out;
    EXPECT_NE(out[0].find("final 8/8/3k4/8/8/4K3/4P3/8 b - - 11 32"), std::string::npos) << out[0];
    EXPECT_EQ(out[1].rfind("game 3:", 0), 0u) << out[1];
    ASSERT_EQ(err.size(), 2u) << r.err;
    EXPECT_NE(err[0].find("game 1, line 3: move number 33. where 32 was expected"), std::string::npos)
        << err[0];
    EXPECT_NE(err[1].find("game 2, a game of Atomic"), std::string::npos) << err[1];
}

} // namespace galvetta::test
