// SPDX-License-Identifier: GPL-3.0-or-later
// The conversation server, with clients in the same process.
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "host/Conversation.h"
#include "protocol/PrivateSocket.h"
#include "protocol/StandardInputThread.h"
#include "ui/BoardPanel.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
#include "ui/MainActions.h"
#include "ui/Pages.h"
#include "ui/QuorClock.h"

using namespace galvetta;

class ConversationTest : public QObject {
    Q_OBJECT

    struct Client {
        QLocalSocket socket;
        explicit Client(const QString& name) {
            socket.connectToServer(name);
            socket.waitForConnected(2000);
        }
        void Send(const QByteArray& text) {
            socket.write(text);
            socket.flush();
        }
        // The next line from the server, pumping the event loop meanwhile.
        QString Line(int timeout_ms = 10000) {
            QElapsedTimer timer;
            timer.start();
            while (!socket.canReadLine() && timer.elapsed() < timeout_ms)
                QTest::qWait(5);
            return socket.canReadLine() ? QString::fromUtf8(socket.readLine()).trimmed()
                                        : QStringLiteral("<none>");
        }
    };

    // A client that writes and never reads, on a plain socket (a QLocalSocket
    // would read in the background whenever the event loop runs).
    struct SilentClient {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        explicit SilentClient(const QString& path) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray bytes = path.toLocal8Bit();
            std::memcpy(address.sun_path, bytes.constData(), std::min<size_t>(bytes.size(), 107));
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        ~SilentClient() { close(fd); }
        // Reads what the server sent until it closes (true) or time runs out.
        bool DrainUntilClosed(qint64& received, int timeout_ms = 10000) {
            QElapsedTimer timer;
            timer.start();
            char chunk[65536];
            while (timer.elapsed() < timeout_ms) {
                const ssize_t n = read(fd, chunk, sizeof chunk);
                if (n == 0) return true;
                if (n > 0)
                    received += n;
                else
                    QTest::qWait(5);
            }
            return false;
        }
    };

    std::vector<std::string> out_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<TStandardInputThread> reader_;
    std::unique_ptr<TfrmMain> window_;

  private slots:
    void init() {
        TQuorClock::ShowMessages = false;
        QVERIFY(pipe(pipe_) == 0);
        reader_ = std::make_unique<TStandardInputThread>(pipe_[0]);
        window_ = std::make_unique<TfrmMain>(StartOptions{}, reader_.get(), false);
        window_->Interface().WriteLine = [this](const std::string& line) { out_.push_back(line); };
        window_->FormShow();
        out_.clear();
    }
    void cleanup() {
        window_.reset();
        close(pipe_[1]);
        reader_.reset();
        close(pipe_[0]);
    }

    void macroLinesAreEchoedAndInterpreted() {
        Client client(window_->Conversation->FullName());
        client.Send("MACRO 2\nforce\ne2e4\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        QTRY_COMPARE(out_.size(), size_t(2));
        QCOMPARE(out_[0], std::string("force"));
        QCOMPARE(out_[1], std::string("e2e4"));
        QCOMPARE(window_->Panel().scacchiera->GetPosition()[TBoardModel::IndiceCasa("e4")], 'p');
        client.Send("EXECUTE e7e5\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        QCOMPARE(window_->Panel().scacchiera->GetPosition()[TBoardModel::IndiceCasa("e5")], 'P');
    }

    void pokeIsWrittenAndTheItemCanBeRead() {
        Client client(window_->Conversation->FullName());
        client.Send("POKE hello interface\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        QCOMPARE(out_, std::vector<std::string>{"hello interface"});
        client.Send("REQUEST\n");
        QCOMPARE(client.Line(), QStringLiteral("VALUE hello interface"));
    }

    void advisedClientSeesBothDirections() {
        Client client(window_->Conversation->FullName());
        client.Send("ADVISE\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        // A line read from standard input...
        QVERIFY(write(pipe_[1], "xboard\n", 7) == 7);
        QCOMPARE(client.Line(), QStringLiteral("CHANGED xboard"));
        // ... a line sent to the interface...
        window_->Interface().InterpretCommand("ping 2");
        QCOMPARE(client.Line(), QStringLiteral("CHANGED Error (unknown command): ping"));
        // ... and the window's own command box.
        window_->Pages().txtCommand->setText(QStringLiteral("to the interface"));
        window_->Pages().BitBtn1->click();
        QCOMPARE(client.Line(), QStringLiteral("CHANGED to the interface"));
        QVERIFY(out_.size() == 1); // the command box writes nothing itself
        client.Send("UNADVISE\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        window_->Interface().InterpretCommand("ping 2");
        QCOMPARE(client.Line(300), QStringLiteral("<none>"));
    }

    void everyClientIsBounded() {
        const QString path = window_->Conversation->FullName();
        QCOMPARE(QFileInfo(path).absolutePath(), QString::fromStdString(PrivateSocketDirectory()));
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0077,
                 QFileDevice::Permissions{});
        // A long line that arrives whole is refused like one that arrives in parts.
        Client whole(path);
        whole.Send(QByteArray(70000, 'x') + "\n");
        QCOMPARE(whole.Line(), QStringLiteral("ERROR line too long"));
        // An unfinished macro of long lines may not grow without bound.
        Client macro(path);
        macro.Send("MACRO 1000\n");
        for (int i = 0; i < 18; ++i) // just over 1 MiB, all of it read before the drop
            macro.Send(QByteArray(60000, 'y') + "\n");
        QCOMPARE(macro.Line(), QStringLiteral("ERROR macro too long"));
        QTRY_COMPARE(macro.socket.state(), QLocalSocket::UnconnectedState);
        // An advised client that never reads is dropped before its replies pile up.
        SilentClient silent(path);
        QVERIFY(write(silent.fd, "ADVISE\n", 7) == 7);
        QTest::qWait(50);
        const std::string long_line(60000, 'z');
        for (int i = 0; i < 40; ++i)
            window_->Interface().PokeCommand(long_line);
        qint64 received = 0;
        QVERIFY(silent.DrainUntilClosed(received));
        QVERIFY(received < 40 * 60000);
        // A client of another user is refused without an answer.
        window_->Conversation->AllowedUser = getuid() + 1;
        Client stranger(path);
        stranger.Send("REQUEST\n");
        QCOMPARE(stranger.Line(500), QStringLiteral("<none>"));
        QCOMPARE(stranger.socket.state(), QLocalSocket::UnconnectedState);
    }

    void protocolPagesKeepTheNewestLines() {
        for (int i = 0; i < 2100; ++i) {
            window_->ReceivedLineAdded(std::to_string(i) + std::string(3000, '-'));
            window_->SentLineAdded(std::to_string(i));
        }
        QCOMPARE(window_->Pages().lstComandi->count(), 2001);
        QCOMPARE(window_->Pages().lstComandi->item(0)->text(), QStringLiteral("Received commands:"));
        QVERIFY(window_->Pages().lstComandi->item(2000)->text().startsWith(QStringLiteral("2099-")));
        QVERIFY(window_->Pages().lstComandi->item(2000)->text().size() < 1100);
        QCOMPARE(window_->Pages().memComandi->blockCount(), 2000);
        QVERIFY(window_->Pages().memComandi->toPlainText().endsWith(QStringLiteral("\n2099")));
    }

    void secondInstanceGetsAnotherName() {
        TConversationServer second;
        QVERIFY(second.Start(window_->Conversation->Name()));
        QVERIFY(second.Name() != window_->Conversation->Name());
        QVERIFY(second.Name().endsWith(QString::number(QCoreApplication::applicationPid())));
    }

    void garbageIsRefusedAndFloodingClientsDropped() {
        const std::string before = window_->Panel().scacchiera->GetPosition();
        Client client(window_->Conversation->FullName());
        client.Send("HELLO\n");
        QCOMPARE(client.Line(), QStringLiteral("ERROR unknown request"));
        client.Send("MACRO -3\n");
        QCOMPARE(client.Line(), QStringLiteral("ERROR bad line count"));
        client.Send(QByteArray(70000, 'x'));
        QCOMPARE(client.Line(), QStringLiteral("ERROR line too long"));
        QTRY_COMPARE(client.socket.state(), QLocalSocket::UnconnectedState);
        // A client that vanishes in the middle of a macro changes nothing either.
        {
            Client vanishing(window_->Conversation->FullName());
            vanishing.Send("MACRO 3\nforce\n");
            QTest::qWait(50);
        }
        QTest::qWait(50);
        QCOMPARE(window_->Panel().scacchiera->GetPosition(), before);
        QVERIFY(out_.empty());
        Client after(window_->Conversation->FullName());
        after.Send("REQUEST\n");
        QVERIFY(after.Line().startsWith(QStringLiteral("VALUE")));
    }
};

QTEST_MAIN(ConversationTest)
#include "conversation_test.moc"
