// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/Conversation.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "protocol/Interface.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>

#include "protocol/PrivateSocket.h"

namespace galvetta {

TConversationServer::TConversationServer(QObject* parent) : QObject(parent), AllowedUser(getuid()) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &TConversationServer::Accept);
    keep_listening_.setInterval(1000);
    connect(&keep_listening_, &QTimer::timeout, this, &TConversationServer::KeepListening);
}

TConversationServer::~TConversationServer() {
    server_.close();
    if (name_lock_ >= 0) close(name_lock_);
    for (auto it = clients_.begin(); it != clients_.end(); ++it)
        it.key()->disconnect(this);
    clients_.clear();
}

bool TConversationServer::Listen(const QString& path) {
    QLocalServer::removeServer(path);
    return server_.listen(path);
}

bool TConversationServer::Serve(TInterface& link, std::function<QString()> item) {
    OnMacro = [&link](const QStringList& lines) {
        std::vector<std::string> macro;
        for (const QString& line : lines)
            macro.push_back(line.toStdString());
        link.ExecuteMacro(macro);
    };
    OnPoke = [&link](const QString& text) { link.PokeCommand(text.toStdString()); };
    ItemValue = std::move(item);
    return Start(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

bool TConversationServer::Start(const QString& base_name) {
    const QString directory = QString::fromStdString(PrivateSocketDirectory());
    if (directory.isEmpty()) return false;
    // The name belongs to whoever holds its lock: of instances started
    // together exactly one gets it, and a socket left by one that has ended
    // is taken over. The others take their process id into the name, which
    // no other live process can hold.
    name_ = base_name;
    path_ = directory + QLatin1Char('/') + name_;
    name_lock_ = LockSocketName(QFile::encodeName(path_).toStdString());
    if (name_lock_ < 0 || !Listen(path_)) {
        name_ = base_name + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid());
        path_ = directory + QLatin1Char('/') + name_;
        if (!Listen(path_)) return false;
    }
    keep_listening_.start();
    return true;
}

void TConversationServer::KeepListening() {
    if (!server_.isListening()) Listen(path_);
}

void TConversationServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            clients_.remove(socket);
            socket->deleteLater();
        });
        if (PeerUser(static_cast<int>(socket->socketDescriptor())) != AllowedUser) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (clients_.size() >= MAX_CLIENTS) {
            Reply(socket, QStringLiteral("ERROR busy"));
            socket->flush();
            socket->abort();
            socket->deleteLater();
            continue;
        }
        clients_.insert(socket, Client{});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    }
}

void TConversationServer::Reply(QLocalSocket* socket, const QString& line) {
    socket->write(line.toUtf8() + '\n');
}

void TConversationServer::Drop(QLocalSocket* socket, const QString& reason) {
    clients_.remove(socket);
    Reply(socket, QStringLiteral("ERROR ") + reason);
    socket->flush();
    socket->abort();
    socket->deleteLater();
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
        if (end > MAX_LINE) return Drop(socket, QStringLiteral("line too long"));
        QByteArray raw = it->pending.left(end);
        it->pending.remove(0, end + 1);
        if (raw.endsWith('\r')) raw.chop(1);
        Handle(socket, *it, QString::fromUtf8(raw));
    }
    if (it->pending.size() > MAX_LINE) return Drop(socket, QStringLiteral("line too long"));
    if (static_cast<qint64>(it->requests.macro_bytes) > MAX_PENDING)
        return Drop(socket, QStringLiteral("macro too long"));
    if (socket->bytesToWrite() > MAX_PENDING) Drop(socket, QStringLiteral("replies not read"));
}

void TConversationServer::Handle(QLocalSocket* socket, Client& client, const QString& line) {
    const ConversationStep step = HandleConversationLine(client.requests, line.toStdString());
    if (step.wants_item) Reply(socket, QStringLiteral("VALUE ") + (ItemValue ? ItemValue() : QString()));
    if (step.reply) Reply(socket, QString::fromStdString(*step.reply));
    if (step.macro && OnMacro) {
        QStringList macro;
        for (const std::string& macro_line : *step.macro)
            macro.append(QString::fromStdString(macro_line));
        OnMacro(macro);
    }
    if (step.poke && OnPoke) OnPoke(QString::fromStdString(*step.poke));
}

void TConversationServer::ItemChanged(const QString& value) {
    QString flat = value;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QList<QLocalSocket*> overfull;
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if (!it->requests.advised) continue;
        Reply(it.key(), QStringLiteral("CHANGED ") + flat);
        if (it.key()->bytesToWrite() > MAX_PENDING) overfull.append(it.key());
    }
    for (QLocalSocket* socket : overfull)
        Drop(socket, QStringLiteral("replies not read"));
}

} // namespace galvetta
