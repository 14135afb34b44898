// galvetta: the chess program. With a display it shows its window; without
// one it runs the same on Qt's offscreen platform, for interfaces and scripts.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <csignal>
#include <cstdlib>

#include "game/StandardInputThread.h"
#include "ui/Main.h"

namespace {

void drop_message(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv) {
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
    return QApplication::exec();
}
