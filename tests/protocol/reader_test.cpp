// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "protocol/StandardInputThread.h"

namespace galvetta::test {

namespace {

struct Pipe {
    int fds[2];
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        close(fds[0]);
        if (fds[1] >= 0) close(fds[1]);
    }
    void write_all(const std::string& s) {
        size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::write(fds[1], s.data() + done, s.size() - done);
            ASSERT_GT(n, 0);
            done += static_cast<size_t>(n);
        }
    }
    void close_writer() {
        close(fds[1]);
        fds[1] = -1;
    }
};

std::string next_line(TStandardInputThread& reader) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!reader.NewData() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return reader.PopString();
}

} // namespace

TEST(Reader, LinesInOrderEmptyOnesSkippedCrLfStripped) {
    Pipe pipe;
    TStandardInputThread reader(pipe.fds[0]);
    std::atomic<int> wake_ups{0};
    reader.SetWakeUp([&] { ++wake_ups; });
    EXPECT_EQ(reader.PopString(), ""); // nothing waiting: nothing happens
    pipe.write_all("new\n\n\r\ne2e4\r\nquit\n");
    EXPECT_EQ(next_line(reader), "new");
    EXPECT_EQ(next_line(reader), "e2e4");
    EXPECT_EQ(next_line(reader), "quit");
    EXPECT_FALSE(reader.AtEnd());
    pipe.close_writer();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!reader.AtEnd() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_FALSE(reader.NewData());
    // One wake-up for each line handed over and one for the end.
    while (wake_ups < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(wake_ups, 4);
    reader.SetWakeUp(nullptr);
}

TEST(Reader, OneLineInFlightAndALastLineWithoutItsEnd) {
    Pipe pipe;
    TStandardInputThread reader(pipe.fds[0]);
    pipe.write_all("a1\nb2\nc3");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(reader.NewData()); // the first line waits; the second is not handed over yet
    EXPECT_EQ(reader.PopString(), "a1");
    EXPECT_EQ(next_line(reader), "b2");
    pipe.close_writer();
    EXPECT_EQ(next_line(reader), "c3");
}

TEST(Reader, OverlongLinesAreCut) {
    Pipe pipe;
    TStandardInputThread reader(pipe.fds[0]);
    std::thread writer([&] { pipe.write_all(std::string(100000, 'x') + "\nafter\n"); });
    const std::string line = next_line(reader);
    EXPECT_EQ(line.size(), TStandardInputThread::MAX_LINE);
    EXPECT_EQ(next_line(reader), "after");
    writer.join();
}

} // namespace galvetta::test
