// The conversation server, with clients in the same process.
#include <QLineEdit>
#include <QLocalSocket>
#include <QPushButton>
#include <QtTest>
#include <unistd.h>

#include "game/StandardInputThread.h"
#include "ui/Conversation.h"
#include "ui/GraphicChessBoard.h"
#include "ui/Main.h"
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

    std::vector<std::string> out_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<TStandardInputThread> reader_;
    std::unique_ptr<TfrmMain> window_;

  private slots:
    void init() {
        TQuorClock::ShowMessages = false;
        QVERIFY(pipe(pipe_) == 0);
        reader_ = std::make_unique<TStandardInputThread>(pipe_[0]);
        window_ = std::make_unique<TfrmMain>(QStringList{}, reader_.get(), false);
        window_->Game().WriteLine = [this](const std::string& line) { out_.push_back(line); };
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
        QCOMPARE(window_->scacchiera->GetPosition()[TBoardModel::IndiceCasa("e4")], 'p');
        client.Send("EXECUTE e7e5\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        QCOMPARE(window_->scacchiera->GetPosition()[TBoardModel::IndiceCasa("e5")], 'P');
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
        window_->Game().InterpretCommand("protover 2");
        QCOMPARE(client.Line(), QStringLiteral("CHANGED Error (unknown command): protover"));
        // ... and the window's own command box.
        window_->txtCommand->setText(QStringLiteral("to the interface"));
        window_->BitBtn1->click();
        QCOMPARE(client.Line(), QStringLiteral("CHANGED to the interface"));
        QVERIFY(out_.size() == 1); // the command box writes nothing itself
        client.Send("UNADVISE\n");
        QCOMPARE(client.Line(), QStringLiteral("OK"));
        window_->Game().InterpretCommand("protover 2");
        QCOMPARE(client.Line(300), QStringLiteral("<none>"));
    }

    void secondInstanceGetsAnotherName() {
        TConversationServer second;
        QVERIFY(second.Start(window_->Conversation->Name()));
        QVERIFY(second.Name() != window_->Conversation->Name());
        QVERIFY(second.Name().endsWith(QString::number(QCoreApplication::applicationPid())));
    }

    void garbageIsRefusedAndFloodingClientsDropped() {
        const std::string before = window_->scacchiera->GetPosition();
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
        QCOMPARE(window_->scacchiera->GetPosition(), before);
        QVERIFY(out_.empty());
        Client after(window_->Conversation->FullName());
        after.Send("REQUEST\n");
        QVERIFY(after.Line().startsWith(QStringLiteral("VALUE")));
    }
};

QTEST_MAIN(ConversationTest)
#include "conversation_test.moc"
