// SPDX-License-Identifier: GPL-3.0-or-later
// galvetta: the chess program. With a display it shows its window; without
// one it runs the same on Qt's offscreen platform. With --no-window it is an
// engine only, for interfaces and scripts: no window is made at all.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/CommandLine.h"
#include "app/EngineHost.h"
#include "protocol/StandardInputThread.h"
#include "ui/Main.h"

namespace {

void drop_message(QtMsgType, const QMessageLogContext&, const QString&) {}

// SIGTERM and SIGHUP reach the event loop through a pipe, so that the program
// ends as on "quit": the search stopped, the conversation socket removed.
int termination_pipe[2] = {-1, -1};

void on_termination(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(termination_pipe[1], &byte, 1);
}

// A standard descriptor the caller closed would be handed to the next file
// opened (Qt's event descriptor, say), and protocol lines would go there.
void open_missing_standard_descriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
}

// SIGTERM and SIGHUP call `end` on the event loop, as "quit" would.
std::unique_ptr<QSocketNotifier> end_on_termination(QObject* context, std::function<void()> end) {
    if (pipe2(termination_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    auto termination = std::make_unique<QSocketNotifier>(termination_pipe[0], QSocketNotifier::Read);
    QObject::connect(termination.get(), &QSocketNotifier::activated, context, std::move(end));
    struct sigaction action {};
    action.sa_handler = on_termination;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    return termination;
}

// --no-window: the engine alone, on the lightest application object, with
// no widget, page or platform plugin.
int run_engine(int argc, char** argv, const galvetta::StartOptions& options) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Galvetta"));
    galvetta::TStandardInputThread reader(STDIN_FILENO);
    galvetta::TEngineHost host(options, &reader);
    host.Start();
    const auto termination = end_on_termination(&host, [&host] { host.CloseRequested(); });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    open_missing_standard_descriptors();
    const galvetta::CommandLine command_line =
        galvetta::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (command_line.exit_status >= 0) {
        std::fputs(command_line.output.c_str(), stdout);
        std::fputs(command_line.error.c_str(), stderr);
        return command_line.exit_status;
    }
    // An interface sends SIGINT after each of our moves, and may close the pipe.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes a save fail with an error to report, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);

    // An interface may read standard error on the same pipe as our replies, and
    // takes some stray lines as result claims: Qt's own messages stay quiet.
    if (!isatty(STDIN_FILENO)) qInstallMessageHandler(drop_message);
    if (command_line.options.no_window) return run_engine(argc, argv, command_line.options);

    // Without a display the window is drawn offscreen: the engine is the same.
    const bool headless = std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
    if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Galvetta"));
    galvetta::TStandardInputThread reader(STDIN_FILENO);
    galvetta::TfrmMain window(command_line.options, &reader, headless);
    window.show();
    window.FormShow();
    const auto termination = end_on_termination(&window, [&window] { window.CloseRequested(); });
    return QApplication::exec();
}
