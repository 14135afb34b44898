// galvetta: the chess program. With a display it shows its window; without
// one it runs the same on Qt's offscreen platform, for interfaces and scripts.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "game/StandardInputThread.h"
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

constexpr const char* USAGE = R"(usage: galvetta [OPTION]... [/LDEPTH]

Galvetta plays chess in its own window and, at the same time, as an engine
for any interface that speaks the xboard/WinBoard protocol (version 1) on its
standard input and output; with --uci, or a first input line "uci", it speaks
UCI instead. Without a display it runs without a window.

Options:
  --uci               speak UCI from the start
  --save-games FILE   append each game to FILE as PGN when it ends
  /LDEPTH             show DEPTH (2-40) on the level slider at start-up
  --help              print this help and exit
  --version           print the version and exit

Examples:
  xboard -fcp galvetta
  polyglot -noini -ec galvetta        (an xboard engine made of the UCI mode)
)";

// The options that end the program at once, and the check of the others.
// Returns -1 to go on, else the exit status.
int early_options(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (std::strcmp(option, "--help") == 0 || std::strcmp(option, "-h") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(option, "--version") == 0) {
            std::printf("Galvetta %s\n", GALVETTA_VERSION);
            return 0;
        }
        if (std::strcmp(option, "--save-games") == 0) {
            if (++i >= argc) {
                std::fprintf(stderr, "galvetta: --save-games needs a FILE (try --help)\n");
                return 2;
            }
            continue;
        }
        if (std::strncmp(option, "--", 2) == 0 && std::strcmp(option, "--uci") != 0) {
            std::fprintf(stderr, "galvetta: unknown option '%s' (try --help)\n", option);
            return 2;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = early_options(argc, argv); status >= 0) return status;
    // An interface sends SIGINT after each of our moves, and may close the pipe.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);

    const bool headless = std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
    if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!isatty(STDIN_FILENO)) {
        // An interface reads standard error on the same pipe as our replies, and
        // takes some stray lines as result claims: only protocol lines may reach it.
        qInstallMessageHandler(drop_message);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Galvetta"));
    galvetta::TStandardInputThread reader(STDIN_FILENO);
    galvetta::TfrmMain window(QApplication::arguments().mid(1), &reader, headless);
    window.show();
    window.FormShow();

    std::unique_ptr<QSocketNotifier> termination;
    if (pipe2(termination_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        termination = std::make_unique<QSocketNotifier>(termination_pipe[0], QSocketNotifier::Read);
        QObject::connect(termination.get(), &QSocketNotifier::activated, &window,
                         [&window] { window.CloseRequested(); });
        struct sigaction action {};
        action.sa_handler = on_termination;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
    }
    return QApplication::exec();
}
