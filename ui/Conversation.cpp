#include "ui/Conversation.h"

#include <QCoreApplication>
#include <QLocalSocket>

namespace galvetta {

TConversationServer::TConversationServer(QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &TConversationServer::Accept);
}

TConversationServer::~TConversationServer() {
    for (auto it = clients_.begin(); it != clients_.end(); ++it)
        it.key()->disconnect(this);
    clients_.clear();
}

bool TConversationServer::Start(const QString& base_name) {
    // Someone answering on the name is a running instance: take the name with
    // our process id. A name nobody answers on was left behind by one that
    // ended and is taken over. (Listening would silently replace a live
    // instance's socket, so ask first.)
    QLocalSocket probe;
    probe.connectToServer(base_name);
    const bool alive = probe.waitForConnected(200);
    probe.abort();
    if (!alive) {
        QLocalServer::removeServer(base_name);
        if (server_.listen(base_name)) return true;
    }
    const QString own = base_name + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid());
    QLocalServer::removeServer(own);
    return server_.listen(own);
}

void TConversationServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        clients_.insert(socket, Client{});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            clients_.remove(socket);
            socket->deleteLater();
        });
    }
}

void TConversationServer::Reply(QLocalSocket* socket, const QString& line) {
    socket->write(line.toUtf8() + '\n');
}

void TConversationServer::Read(QLocalSocket* socket) {
    auto it = clients_.find(socket);
    if (it == clients_.end()) return;
    it->pending += socket->readAll();
    for (;;) {
        it = clients_.find(socket);
        if (it == clients_.end()) return; // dropped while handling a line
        const int end = it->pending.indexOf('\n');
        if (end < 0) break;
        QByteArray raw = it->pending.left(end);
        it->pending.remove(0, end + 1);
        if (raw.endsWith('\r')) raw.chop(1);
        Handle(socket, *it, QString::fromUtf8(raw));
    }
    it = clients_.find(socket);
    if (it != clients_.end() && it->pending.size() > MAX_LINE) {
        Reply(socket, QStringLiteral("ERROR line too long"));
        socket->flush();
        clients_.remove(socket);
        socket->disconnectFromServer();
    }
}

void TConversationServer::Handle(QLocalSocket* socket, Client& client, const QString& line) {
    if (client.macro_left > 0) {
        client.macro.append(line);
        if (--client.macro_left == 0) {
            const QStringList macro = client.macro;
            client.macro.clear();
            Reply(socket, QStringLiteral("OK"));
            if (OnMacro) OnMacro(macro);
        }
        return;
    }
    const int blank = line.indexOf(QLatin1Char(' '));
    const QString verb = blank < 0 ? line : line.left(blank);
    const QString rest = blank < 0 ? QString() : line.mid(blank + 1);
    if (verb == QLatin1String("EXECUTE")) {
        Reply(socket, QStringLiteral("OK"));
        if (OnMacro) OnMacro({rest});
    } else if (verb == QLatin1String("MACRO")) {
        bool ok = false;
        const int count = rest.toInt(&ok);
        if (!ok || count < 1 || count > MAX_MACRO_LINES) {
            Reply(socket, QStringLiteral("ERROR bad line count"));
            return;
        }
        client.macro_left = count;
    } else if (verb == QLatin1String("POKE")) {
        Reply(socket, QStringLiteral("OK"));
        if (OnPoke) OnPoke(rest);
    } else if (verb == QLatin1String("REQUEST")) {
        Reply(socket, QStringLiteral("VALUE ") + (ItemValue ? ItemValue() : QString()));
    } else if (verb == QLatin1String("ADVISE") || verb == QLatin1String("UNADVISE")) {
        client.advised = verb == QLatin1String("ADVISE");
        Reply(socket, QStringLiteral("OK"));
    } else {
        Reply(socket, QStringLiteral("ERROR unknown request"));
    }
}

void TConversationServer::ItemChanged(const QString& value) {
    QString flat = value;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    for (auto it = clients_.begin(); it != clients_.end(); ++it)
        if (it->advised) Reply(it.key(), QStringLiteral("CHANGED ") + flat);
}

} // namespace galvetta
