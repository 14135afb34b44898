// SPDX-License-Identifier: GPL-3.0-or-later
// A client for Galvetta's conversation server (see host/Conversation.h).
#include "tools/talk.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <unistd.h>

#include <cstdio>

#include "protocol/PrivateSocket.h"

namespace {

int usage(const char* message) {
    std::fprintf(stderr, "galvetta-tool: %s\n", message);
    return 2;
}

bool read_line(QLocalSocket& socket, QByteArray& line, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (!socket.canReadLine()) {
        const int left = timeout_ms - static_cast<int>(timer.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left)) return false;
    }
    line = socket.readLine().trimmed();
    return true;
}

} // namespace

int run_talk(const std::vector<std::string>& args) {
    size_t i = 0;
    QString server = QStringLiteral("galvetta");
    int count = 1;
    int timeout_s = 10;
    while (i < args.size() && args[i].rfind("--", 0) == 0) {
        if (i + 1 >= args.size()) return usage("talk option needs a value");
        const std::string& value = args[i + 1];
        if (args[i] == "--server")
            server = QString::fromStdString(value);
        else if (args[i] == "--count")
            count = std::atoi(value.c_str());
        else if (args[i] == "--timeout")
            timeout_s = std::atoi(value.c_str());
        else
            return usage("unknown talk option");
        if (count < 1 || timeout_s < 1) return usage("talk: --count and --timeout take positive numbers");
        i += 2;
    }
    if (i >= args.size()) return usage("talk needs a request: execute, macro, poke, request or advise");
    const std::string verb = args[i++];
    QByteArray request;
    int replies = 1;
    if (verb == "execute" && i + 1 == args.size()) {
        request = "EXECUTE " + QByteArray::fromStdString(args[i]) + "\n";
    } else if (verb == "macro" && i < args.size()) {
        request = "MACRO " + QByteArray::number(static_cast<int>(args.size() - i)) + "\n";
        for (; i < args.size(); ++i)
            request += QByteArray::fromStdString(args[i]) + "\n";
    } else if (verb == "poke" && i + 1 == args.size()) {
        request = "POKE " + QByteArray::fromStdString(args[i]) + "\n";
    } else if (verb == "request" && i == args.size()) {
        request = "REQUEST\n";
    } else if (verb == "advise" && i == args.size()) {
        request = "ADVISE\n";
        replies = 1 + count;
    } else {
        return usage("talk: execute LINE | macro LINE... | poke TEXT | request | advise");
    }

    int argc = 1;
    char name[] = "galvetta-tool";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString path = QString::fromStdString(galvetta::PrivateSocketPath(server.toStdString()));
    QLocalSocket socket;
    if (!path.isEmpty()) socket.connectToServer(path);
    if (path.isEmpty() || !socket.waitForConnected(2000)) {
        std::fprintf(stderr, "galvetta-tool: no conversation server '%s'\n",
                     server.toLocal8Bit().constData());
        return 1;
    }
    // Only a server of our own user gets our requests, or is believed.
    if (galvetta::PeerUser(static_cast<int>(socket.socketDescriptor())) != getuid()) {
        std::fprintf(stderr, "galvetta-tool: conversation server '%s' belongs to another user\n",
                     server.toLocal8Bit().constData());
        return 1;
    }
    socket.write(request);
    socket.waitForBytesWritten(2000);
    for (int r = 0; r < replies; ++r) {
        QByteArray line;
        if (!read_line(socket, line, timeout_s * 1000)) {
            std::fprintf(stderr, "galvetta-tool: no answer\n");
            return 1;
        }
        std::printf("%s\n", line.constData());
        std::fflush(stdout);
        if (line.startsWith("ERROR")) return 1;
    }
    return 0;
}
