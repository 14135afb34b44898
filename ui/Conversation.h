// The conversation server other programs use to drive Galvetta: a local
// socket, readable and writable by this user only, carrying the conversation
// "System" with its one item "Command". One request a line:
//   EXECUTE <line>        run a one-line macro                 -> OK
//   MACRO <n>             then n lines: run them as a macro     -> OK
//   POKE <text>           set the item (written to the output)  -> OK
//   REQUEST               read the item                         -> VALUE <text>
//   ADVISE / UNADVISE     be told / stop being told of changes  -> OK
// An advised client gets "CHANGED <text>" for every new value of the item.
// Anything else is answered "ERROR <reason>"; a line over 64 KiB, or a
// macro over 1,000 lines, drops the client.
#pragma once

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <functional>

class QLocalSocket;

namespace galvetta {

class TConversationServer : public QObject {
    Q_OBJECT
  public:
    static constexpr int MAX_LINE = 65536;
    static constexpr int MAX_MACRO_LINES = 1000;

    explicit TConversationServer(QObject* parent = nullptr);
    // Clients still connected are closed without calling back into a server that is going.
    ~TConversationServer() override;

    // Listens under `base_name`, or under base_name-PID when another running
    // instance holds that name. Returns false when neither works.
    bool Start(const QString& base_name);
    QString Name() const { return server_.serverName(); }
    QString FullName() const { return server_.fullServerName(); }

    // Tells advised clients of the item's new value.
    void ItemChanged(const QString& value);

    std::function<void(const QStringList&)> OnMacro;
    std::function<void(const QString&)> OnPoke;
    std::function<QString()> ItemValue;

  private:
    struct Client {
        QByteArray pending;
        int macro_left = 0;
        QStringList macro;
        bool advised = false;
    };
    void Accept();
    void Read(QLocalSocket* socket);
    void Handle(QLocalSocket* socket, Client& client, const QString& line);
    static void Reply(QLocalSocket* socket, const QString& line);

    QLocalServer server_;
    QHash<QLocalSocket*, Client> clients_;
};

} // namespace galvetta
