// SPDX-License-Identifier: GPL-3.0-or-later
// The built program under a careless or hostile interface, over real pipes:
// commands that arrive during a search, an interface that vanishes, set-ups,
// positions where the engine cannot move, signals, and a flood of clients.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "notation/Move.h"
#include "notation/San.h"
#include "play/BoardModel.h"
#include "program.h"

namespace galvetta::test {

namespace {

constexpr const char* GREETING = "tellics Hi from Galvetta (https://galvetta.example.org)";

// A private runtime directory of its own for each program, so that parallel
// tests do not share a conversation socket.
class RuntimeDir {
  public:
    RuntimeDir() {
        char name[] = "/tmp/galvetta-test-XXXXXX";
        path = mkdtemp(name);
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~RuntimeDir() { std::filesystem::remove_all(path); }
    std::string Socket() const { return path + "/galvetta"; }
    std::string path;
};

bool wait_for_file(const std::string& path, bool present, int timeout_ms = 10000) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (std::filesystem::exists(path) == present) return true;
        usleep(10000);
    }
    return false;
}

class Robust : public ::testing::Test {
  protected:
    Robust() : program(GALVETTA_BINARY) {}
    void SetUp() override {
        ASSERT_TRUE(program.Started());
        ASSERT_EQ(program.ReadLine(), GREETING);
    }
    void Expect(const std::vector<std::string>& send, const std::vector<std::string>& replies) {
        ExpectReplies(program, send, replies);
    }
    // Nothing came before this marker's answer.
    void ExpectNothingMore() { Expect({"marker"}, {"Error (unknown command): marker"}); }

    RuntimeDir runtime;
    Program program;
};

// Edit-mode lines that put `pieces` ("Ke1", ...) of White, then Black's, on an empty board.
std::vector<std::string> set_up(const std::vector<std::string>& white,
                                const std::vector<std::string>& black) {
    std::vector<std::string> lines{"edit", "#"};
    lines.insert(lines.end(), white.begin(), white.end());
    lines.push_back("c");
    lines.insert(lines.end(), black.begin(), black.end());
    lines.push_back(".");
    return lines;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(Robust, ForceAndEditDropARunningSearch) {
    Expect({"st 100000", "go"}, {});
    usleep(300000);
    // Had the search's move been played, White's e2e4 would now be refused.
    Expect({"force", "e2e4", "e7e5"}, {});
    ExpectNothingMore();
    Expect({"new", "st 100000", "go"}, {GREETING});
    usleep(300000);
    Expect(std::vector<std::string>{"force"} + set_up({"Ke1", "Pe2"}, {"Ke8"}) +
               std::vector<std::string>{"e2e4"},
           {});
    ExpectNothingMore();
}

TEST_F(Robust, EndsWithinASecondWhenInputEndsDuringASearch) {
    Expect({"st 2000000", "go"}, {});
    usleep(200000);
    program.CloseInput();
    EXPECT_EQ(program.WaitExit(1500), 0);
}

TEST_F(Robust, LeavingEditModeTakesTheRightsFromTheBoard) {
    // After e2e4 the en-passant file is e, but no pawn stands on e4 any more.
    Expect(std::vector<std::string>{"force", "e2e4"} + set_up({"Ke1", "Ne4"}, {"Ke8", "Pd4"}) +
               std::vector<std::string>{"d4e3", "d4d3"},
           {"Illegal move: d4e3"});
    ExpectNothingMore();
    // Kings that walked away and back lost their rights; a set-up gives them back.
    Expect({"new", "force", "e2e4", "e7e5", "e1e2", "e8e7", "e2e1", "e7e8", "e1g1"},
           {GREETING, "Illegal move: e1g1"});
    Expect(set_up({"Ke1", "Rh1", "Ra1"}, {"Ke8", "Ra8"}) + std::vector<std::string>{"e1g1", "e8c8"}, {});
    ExpectNothingMore();
}

TEST_F(Robust, GoIsAnsweredWhereTheEngineCannotMove) {
    struct Case {
        std::vector<std::string> lines;
        std::string reply;
    };
    const std::vector<std::string> black_to_move{"new", "force", "a2a3"};
    const Case cases[] = {
        {std::vector<std::string>{"new", "force"} +
             set_up({"Ke1", "Pa2", "Pb2", "Pc2", "Pd2", "Pe2", "Pf2", "Pg2", "Ph2", "Pa3", "Pb3", "Pc3",
                     "Pd3", "Pe3", "Pf3", "Pg3", "Ph3"},
                    {"Ke8"}),
         "Error (too many pieces): go"},
        {std::vector<std::string>{"new", "force"} + set_up({"Kh1"}, {"Kf3", "Qg2"}), "0-1 {Black mates}"},
        {black_to_move + set_up({"Kf6", "Qg7"}, {"Kh8"}), "1-0 {White mates}"},
        {black_to_move + set_up({"Kg6", "Qf7"}, {"Kh8"}), "1/2-1/2 {Stalemate}"},
    };
    for (const Case& c : cases) {
        Expect(c.lines + std::vector<std::string>{"go"}, {GREETING, c.reply});
        ExpectNothingMore();
    }
    // After the refusal the program stays in force mode: a move gets no answer.
    Expect({"new", "force"}, {GREETING});
    Expect(set_up({"Ke1", "Pa2", "Pb2", "Pc2", "Pd2", "Pe2", "Pf2", "Pg2", "Ph2", "Pa3", "Pb3", "Pc3", "Pd3",
                   "Pe3", "Pf3", "Pg3", "Ph3"},
                  {"Ke8"}) +
               std::vector<std::string>{"go"},
           {"Error (too many pieces): go"});
    Expect(set_up({"Ke1", "Pe2"}, {"Ke8"}) + std::vector<std::string>{"e2e4"}, {});
    ExpectNothingMore();
}

TEST(RobustSignals, TermAndHangUpEndItLikeQuit) {
    for (int signal : {SIGTERM, SIGHUP}) {
        RuntimeDir runtime;
        Program program(GALVETTA_BINARY);
        ASSERT_EQ(program.ReadLine(), GREETING);
        ASSERT_TRUE(wait_for_file(runtime.Socket(), true));
        program.Send("st 100000");
        program.Send("go");
        usleep(200000);
        kill(program.Pid(), signal);
        EXPECT_EQ(program.WaitExit(1500), 0) << "signal " << signal;
        EXPECT_FALSE(std::filesystem::exists(runtime.Socket())) << "signal " << signal;
    }
}

// A flood of idle clients, as many as the program may hold descriptors: the
// ones past the limit are refused, and the server keeps its name.
TEST(RobustConversation, IdleClientsCannotExhaustTheServer) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    ASSERT_GE(limit.rlim_cur, 1200u) << "the test needs descriptors for its own clients";

    RuntimeDir runtime;
    Program program("/usr/bin/prlimit", {"--nofile=1024", GALVETTA_BINARY});
    ASSERT_EQ(program.ReadLine(), GREETING);
    ASSERT_TRUE(wait_for_file(runtime.Socket(), true));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", runtime.Socket().c_str());
    auto connect_client = [&] {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
        timeval timeout{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        return fd;
    };
    auto exchange = [](int fd, const std::string& request) {
        // A refused client is closed already: its refusal waits to be read,
        // and writing to it must not raise SIGPIPE.
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        std::string reply;
        char c;
        while (read(fd, &c, 1) == 1 && c != '\n')
            reply += c;
        return reply;
    };

    std::vector<int> clients;
    for (int i = 0; i < 1100; ++i) {
        const int fd = connect_client();
        if (fd >= 0) clients.push_back(fd);
    }
    EXPECT_EQ(clients.size(), 1100u);
    int served = 0, busy = 0;
    for (int fd : clients) {
        const std::string reply = exchange(fd, "REQUEST\n");
        served += reply.rfind("VALUE", 0) == 0;
        busy += reply == "ERROR busy";
    }
    EXPECT_EQ(served, 64);
    EXPECT_EQ(busy, 1100 - 64);
    for (int fd : clients)
        close(fd);
    EXPECT_TRUE(std::filesystem::exists(runtime.Socket()));
    // Once the server has seen the clients go, a new one is served again.
    std::string reply;
    for (int attempt = 0; attempt < 100 && reply.rfind("VALUE", 0) != 0; ++attempt) {
        if (attempt > 0) usleep(20000);
        const int after = connect_client();
        ASSERT_GE(after, 0);
        reply = exchange(after, "REQUEST\n");
        close(after);
    }
    EXPECT_EQ(reply.rfind("VALUE", 0), 0u) << reply;
    program.Send("quit");
    EXPECT_EQ(program.WaitExit(2000), 0);
}

// The interface's own view of the game, and the engine generator's legal moves
// in it, in the engine's move form ("e2-e4", "e7-e8=Q").
class InterfaceView {
  public:
    InterfaceView() { board.ResetGame(); }

    std::vector<std::string> LegalMoves() const {
        std::vector<std::string> moves;
        for (const LegalMove& move : galvetta::LegalMoves(board.GetPosition())) {
            const std::string coordinate = move.Coordinate();
            std::string text = coordinate.substr(0, 2) + "-" + coordinate.substr(2, 2);
            if (move.promotion != 0)
                text += std::string("=") + static_cast<char>(std::toupper(move.promotion));
            moves.push_back(text);
        }
        return moves;
    }
    bool InCheck() const { return SideToMoveInCheck(board.GetPosition()); }
    // Plays a move given in the engine's form.
    void Play(const std::string& engine_move) {
        std::string coordinate = engine_move.substr(0, 2) + engine_move.substr(3, 2);
        if (engine_move.size() > 5) coordinate += static_cast<char>(std::tolower(engine_move[6]));
        ASSERT_TRUE(board.Move(coordinate)) << coordinate;
    }

    TBoardModel board;
};

// Random play and commands, many of them while the engine thinks. Every move
// the program writes must be legal where the interface believes the game is.
TEST_F(Robust, SoakOfMovesAndCommandsDuringSearches) {
    InterfaceView view;
    bool force = false, thinking = false;
    uint32_t state = 77;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    int engine_moves = 0, marker = 0, sent_moves = 0, commands_in_search = 0;
    std::string recent; // the last lines sent, for a failure's message

    // Reads up to the marker's answer (or, with `until_move`, up to a move),
    // checking and playing every engine move on the way.
    auto read_replies = [&](bool until_move) {
        const std::string end = "Error (unknown command): marker" + std::to_string(marker);
        for (;;) {
            // A search may overrun its budget by far (the budget only ends it
            // after an iteration): a waiting interface goes on after a while,
            // and the move is checked whenever it comes.
            const std::string line = program.ReadLine(until_move ? 3000 : 30000);
            if (until_move && line == "<timeout>") return;
            ASSERT_NE(line, "<timeout>") << "in " << view.board.GetPosition() << " after " << recent;
            ASSERT_NE(line, "<eof>");
            if (!until_move && line == end) return;
            if (line.rfind("move ", 0) == 0) {
                const std::string move = line.substr(5);
                const auto legal = view.LegalMoves();
                ASSERT_NE(std::find(legal.begin(), legal.end(), move), legal.end())
                    << move << " in " << view.board.GetPosition();
                view.Play(move);
                ++engine_moves;
                thinking = false;
                if (until_move) return;
            } else {
                ASSERT_TRUE(line.find("mates}") != std::string::npos || line == "1/2-1/2 {Stalemate}" ||
                            line == GREETING)
                    << line;
            }
        }
    };
    auto send = [&](const std::vector<std::string>& lines) {
        commands_in_search += thinking;
        for (const auto& line : lines) {
            program.Send(line);
            recent = (recent + " " + line).substr(recent.size() > 300 ? recent.size() - 300 : 0);
        }
        program.Send("marker" + std::to_string(++marker));
        read_replies(false);
    };

    // An interface that resumes a game: force, the clocks, a move and go. The
    // engine's move must come within its clock.
    int resumed = 0;
    auto resume = [&](const std::string& coordinate) {
        const int centiseconds = 50 + static_cast<int>(next() % 450);
        send({"level 0 0:30 0", "force", "time " + std::to_string(centiseconds), "otim 3000", coordinate});
        const auto start = std::chrono::steady_clock::now();
        program.Send("go");
        const std::string line = program.ReadLine(centiseconds * 10 + 3000);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        ASSERT_EQ(line.rfind("move ", 0), 0u) << line << " in " << view.board.GetPosition();
        EXPECT_LT(ms.count(), centiseconds * 10) << line << " in " << view.board.GetPosition();
        const auto legal = view.LegalMoves();
        ASSERT_NE(std::find(legal.begin(), legal.end(), line.substr(5)), legal.end()) << line;
        view.Play(line.substr(5));
        ++engine_moves;
        ++resumed;
        force = thinking = false;
    };

    program.Send("st 1");
    for (int step = 0; step < 400; ++step) {
        const auto legal = view.LegalMoves();
        const unsigned pick = next() % 11;
        if (thinking && pick < 4) {
            read_replies(true);
        } else if (!thinking && pick < 5 && !legal.empty()) {
            const std::string move = legal[next() % legal.size()];
            std::string coordinate = move.substr(0, 2) + move.substr(3, 2);
            if (move.size() > 5) coordinate += static_cast<char>(std::tolower(move[6]));
            view.Play(move);
            ++sent_moves;
            thinking = !force && !view.LegalMoves().empty();
            send({coordinate});
        } else if (pick == 5 && thinking) {
            // The running search's move may cross "go", and the new search then
            // plays the other side; "force" right after it settles which.
            send({"go", "force"});
            force = true;
            thinking = false;
        } else if (pick == 5) {
            force = false;
            thinking = !view.LegalMoves().empty(); // its move may come before the marker
            send({"go"});
        } else if (pick == 6) {
            send({"force"});
            force = true;
            thinking = false;
        } else if (pick == 7 && view.board.PositionHistorySize() > 1) {
            send({"undo"});
            thinking = false;
            view.board.MoveBack(1);
        } else if (pick == 8) {
            // The position set up again, perhaps without one piece that is no king.
            std::vector<std::string> white, black;
            const std::string& p = view.board.GetPosition();
            const int dropped = static_cast<int>(next() % 96);
            for (int i = 0; i < 64; ++i) {
                const char c = p[i];
                if (c == '-' || (i == dropped && c != 'k' && c != 'K')) continue;
                std::string word(1, static_cast<char>(std::toupper(c)));
                word += TBoardModel::Coordinate(i);
                (std::islower(static_cast<unsigned char>(c)) ? white : black).push_back(word);
            }
            send(set_up(white, black));
            thinking = false;
            const std::string side = p.substr(64, 1);
            view.board.ClearPosition();
            for (const auto& w : white)
                view.board.ImpostaPezzo(static_cast<char>(std::tolower(w[0])),
                                        TBoardModel::IndiceCasa(w.substr(1)));
            for (const auto& b : black)
                view.board.ImpostaPezzo(b[0], TBoardModel::IndiceCasa(b.substr(1)));
            view.board.RightsFromPlacement();
            view.board.RestartHistoryHere(); // a take-back goes no further than the set-up
        } else if (pick == 9) {
            send({"new", "st 1"});
            view.board.ResetGame();
            force = thinking = false;
        } else if (pick == 10 && !thinking && !legal.empty()) {
            const std::string move = legal[next() % legal.size()];
            view.Play(move);
            ++sent_moves;
            if (view.LegalMoves().empty()) {
                send({Move::Parse(move)->Coordinate()});
                continue;
            }
            resume(Move::Parse(move)->Coordinate());
        }
    }
    EXPECT_GE(resumed, 10);
    EXPECT_GE(engine_moves, 20) << "checked " << engine_moves << " moves";
    EXPECT_GT(sent_moves, 30);
    EXPECT_GT(commands_in_search, 20);
}

} // namespace galvetta::test
