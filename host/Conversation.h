// SPDX-License-Identifier: GPL-3.0-or-later
// The conversation server other programs use to drive Galvetta: a local
// socket, readable and writable by this user only, carrying the conversation
// "System" with its one item "Command". One request a line:
//   EXECUTE <line>        run a one-line macro                 -> OK
//   MACRO <n>             then n lines: run them as a macro     -> OK
//   POKE <text>           set the item (written to the output)  -> OK
//   REQUEST               read the item                         -> VALUE <text>
//   ADVISE / UNADVISE     be told / stop being told of changes  -> OK
// An advised client gets "CHANGED <text>" for every new value of the item.
// Anything else is answered "ERROR <reason>"; a line over 64 KiB, a macro
// over 1,000 lines or 1 MiB, or 1 MiB of replies left unread drops the client.
// The socket lies in this user's private directory, and a peer of another user
// is refused; so is a client beyond the 64 held at once ("ERROR busy").
#pragma once

#include <sys/types.h>

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "protocol/ConversationRequests.h"

class QLocalSocket;

namespace galvetta {

class TInterface;

class TConversationServer : public QObject {
    Q_OBJECT
  public:
    static constexpr int MAX_LINE = 65536;
    static constexpr int MAX_MACRO_LINES = galvetta::MAX_MACRO_LINES;
    static constexpr qint64 MAX_PENDING = 1 << 20; // input held or output unread, bytes
    static constexpr int MAX_CLIENTS = 64;

    explicit TConversationServer(QObject* parent = nullptr);
    // Clients still connected are closed without calling back into a server that is going.
    ~TConversationServer() override;

    // Listens under `base_name` in this user's private socket directory, or
    // under base_name-PID when another running instance holds that name.
    // Returns false when neither works or there is no private directory.
    bool Start(const QString& base_name);
    // Serves `link`: macros and pokes go to it, requests read `item`, and the
    // server listens under the program's name. False as Start.
    bool Serve(TInterface& link, std::function<QString()> item);
    // The name clients give ("galvetta" or "galvetta-PID") and the socket's path.
    QString Name() const { return name_; }
    QString FullName() const { return path_; }
    // The user whose clients are served; another user's are refused (tests
    // change it to see a refusal).
    uid_t AllowedUser;

    // Tells advised clients of the item's new value.
    void ItemChanged(const QString& value);

    std::function<void(const QStringList&)> OnMacro;
    std::function<void(const QString&)> OnPoke;
    std::function<QString()> ItemValue;

  private:
    struct Client {
        QByteArray pending;
        ConversationClient requests;
    };
    void Accept();
    void Read(QLocalSocket* socket);
    void Handle(QLocalSocket* socket, Client& client, const QString& line);
    static void Reply(QLocalSocket* socket, const QString& line);
    // Tells the client why, then forgets and closes it without waiting on it.
    void Drop(QLocalSocket* socket, const QString& reason);
    bool Listen(const QString& path);
    // Listens again under the same path when the socket was lost (Qt closes a
    // server whose accept fails, for example when descriptors run out).
    void KeepListening();

    QLocalServer server_;
    QHash<QLocalSocket*, Client> clients_;
    QString name_;
    QString path_;
    QTimer keep_listening_;
    int name_lock_ = -1; // held while the name is ours
};

} // namespace galvetta
