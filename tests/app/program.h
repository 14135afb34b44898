// SPDX-License-Identifier: GPL-3.0-or-later
// The built galvetta program on real pipes, without a display.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace galvetta::test {

// How the program's standard descriptors are set up besides the pipes.
struct Wiring {
    std::string input_file;    // standard input read from this file instead of the pipe
    std::string error_file;    // standard error written here instead of into the output pipe
    bool close_output = false; // standard output closed, as "galvetta >&-" leaves it
};

class Program {
  public:
    explicit Program(const std::string& path, const std::vector<std::string>& arguments = {},
                     const Wiring& wiring = {}) {
        int to_child[2], from_child[2];
        if (pipe(to_child) != 0 || pipe(from_child) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (wiring.input_file.empty())
            posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
        else
            posix_spawn_file_actions_addopen(&actions, 0, wiring.input_file.c_str(), O_RDONLY, 0);
        if (wiring.close_output)
            posix_spawn_file_actions_addclose(&actions, 1);
        else
            posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
        if (wiring.error_file.empty())
            posix_spawn_file_actions_adddup2(&actions, from_child[1], 2); // as xboard does: one pipe
        else
            posix_spawn_file_actions_addopen(&actions, 2, wiring.error_file.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addclose(&actions, to_child[1]);
        posix_spawn_file_actions_addclose(&actions, from_child[0]);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0)
                env.push_back(*e);
        std::vector<char*> envp, argv;
        for (auto& s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);
        std::vector<std::string> args{path};
        args.insert(args.end(), arguments.begin(), arguments.end());
        for (auto& s : args)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(to_child[0]);
        close(from_child[1]);
        in_ = to_child[1];
        out_ = from_child[0];
    }

    ~Program() {
        if (in_ >= 0) close(in_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    void Send(const std::string& line) {
        const std::string text = line + "\n";
        size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(in_, text.data() + done, text.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void CloseInput() {
        close(in_);
        in_ = -1;
    }

    // The next line the program wrote, or "<timeout>" / "<eof>".
    std::string ReadLine(int timeout_ms = 30000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            const size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return "<timeout>";
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return "<eof>";
            pending_.append(chunk, static_cast<size_t>(n));
        }
    }

    // Waits for the program to end; its exit status, or -1 when it is still running.
    int WaitExit(int timeout_ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(5000);
        }
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string pending_;
};

// Sends lines and expects these replies in order (a GoogleTest check each).
inline void ExpectReplies(Program& program, const std::vector<std::string>& send,
                          const std::vector<std::string>& replies) {
    for (const auto& line : send)
        program.Send(line);
    for (const auto& reply : replies)
        EXPECT_EQ(program.ReadLine(), reply) << "after " << send.back();
}

} // namespace galvetta::test
