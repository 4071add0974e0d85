// End-to-end tests of telvane-devsim: the real binary on an ephemeral port, driven over TCP.

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

namespace {

constexpr int Generous = 10000; // ms; every wait on the simulator is bounded by this

// A running simulator process.
class Devsim {
public:
    Devsim() {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_output += m_process.readAllStandardOutput(); });
    }
    ~Devsim() {
        m_process.kill();
        m_process.waitForFinished(Generous);
    }

    // Starts on an ephemeral port and waits for the "ready" line.
    bool start(const QStringList& arguments) {
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH),
                        arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
        if (!waitForOutput(QStringLiteral("^ready: ")))
            return false;
        const QRegularExpression listening(QStringLiteral("^listening on .+:(\\d+)$"),
                                           QRegularExpression::MultilineOption);
        port = listening.match(QString::fromUtf8(m_output)).captured(1).toUShort();
        return port != 0;
    }
    bool waitForOutput(const QString& pattern) {
        const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
        return QTest::qWaitFor([&] { return expression.match(QString::fromUtf8(m_output)).hasMatch(); },
                               Generous);
    }
    bool running() const { return m_process.state() == QProcess::Running; }

    quint16 port = 0;

private:
    QProcess m_process;
    QByteArray m_output;
};

// One client connection that records every arrival as it came.
class Client {
public:
    Client() {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            chunks.append(socket.readAll());
            m_pending += chunks.last();
        });
    }

    bool connectTo(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
        socket.connectToHost(host, port);
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; },
                               Generous);
    }
    void send(const QByteArray& bytes) { socket.write(bytes); }

    // The next reply line (without CR LF), or a null array when none came in time.
    QByteArray nextLine(int timeoutMs = Generous) {
        if (!QTest::qWaitFor([this] { return m_pending.contains("\r\n"); }, timeoutMs))
            return {};
        const QByteArray line = m_pending.left(m_pending.indexOf("\r\n"));
        m_pending.remove(0, line.size() + 2);
        return line;
    }
    QByteArray request(const QByteArray& command) {
        send(command);
        return nextLine();
    }

    // Sends the probe "GM" until a reply to it comes; a probe that arrives together with junk still in
    // flight is taken as part of the junk and answered with an error instead.
    bool answersProbe() {
        for (QDeadlineTimer deadline(3 * Generous); !deadline.hasExpired();) {
            send("GM");
            for (QByteArray line = nextLine(1000); !line.isNull(); line = nextLine(0)) {
                if (line.startsWith("GM: "))
                    return true;
            }
        }
        return false;
    }
    bool waitForDisconnect() {
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::UnconnectedState; },
                               Generous);
    }

    QTcpSocket socket;
    QList<QByteArray> chunks;

private:
    QByteArray m_pending;
};

// A simulator with one client connected.
struct Session {
    Devsim sim;
    Client client;
    bool start(const QStringList& arguments = {}) {
        return sim.start(arguments) && client.connectTo(sim.port);
    }
};

using Steps = QList<QPair<QByteArray, QByteArray>>;

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestDevsim : public QObject {
    Q_OBJECT

private slots:
    void reachableByLocalHostName();
    void conversation_data();
    void conversation();
    void terminalLinesAreEachAnswered();
    void clientsShareOneDevice();
    void faultNoColon();
    void faultSplit();
    void faultCloseAfter();
    void faultSilent();
    void faultReplyDelay();
    void survivesJunk_data();
    void survivesJunk();
};

void TestDevsim::reachableByLocalHostName() {
    // Telvane's first start connects to the local host name.
    Devsim sim;
    QVERIFY(sim.start({}));
    Client byName;
    QVERIFY(byName.connectTo(sim.port, QHostInfo::localHostName()));
    QCOMPARE(byName.request("GM"), QByteArray("GM: 0"));
}

// Each row: a fresh simulator of one device type and commands with their expected replies. An expected reply
// ending in "ERROR" only fixes the start of the reply; the reason after it is free text.
void TestDevsim::conversation_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<Steps>("steps");

    QTest::newRow("type 1 program round trip")
        << 1 << Steps{{"GP 5", "GP: 0"}, {"SP 5 3", "SP: OK"}, {"GP 5", "GP: 3"}, {"GP 6", "GP: 0"}};
    QTest::newRow("type 0 production mode")
        << 0
        << Steps{
               {"GM", "GM: 0"}, {"SM 1", "SM 1: OK"}, {"GM", "GM: 1"}, {"SM 0", "SM 0: OK"}, {"GM", "GM: 0"}};
    QTest::newRow("type 0 needs production mode running")
        << 0 << Steps{{"SP 1 3", "SP: ERROR"}, {"SM 1", "SM 1: OK"},
                      {"SP 1 3", "SP: OK"},    {"UF 1 \"/tmp/b.bak\"", "UF: ERROR"},
                      {"SM 0", "SM 0: OK"},    {"UF 1 \"/tmp/b.bak\"", "UF: OK"}};
    QTest::newRow("unknown commands")
        << 0 << Steps{{"FOO", "FOO: ERROR"}, {"sm 1", "sm: ERROR"}, {"GP 1", "GP: ERROR"}};
    QTest::newRow("wrong parameter count")
        << 1
        << Steps{{"SP 1", "SP: ERROR"}, {"SP 1 2 3", "SP: ERROR"}, {"GM 1", "GM: ERROR"}, {"GP 1", "GP: 0"}};
    QTest::newRow("out of range") << 1 << Steps{{"SP 256 1", "SP: ERROR"},
                                                {"SP 1 8", "SP: ERROR"},
                                                {"SNA -2", "SNA: ERROR"},
                                                {"SNA -1", "SNA: OK"},
                                                {"SC 1 abc!", "SC: ERROR"},
                                                {"SP1 1 " + QByteArray(33, 'b'), "SP1: ERROR"}};
    QTest::newRow("windows-1252 text") << 1
                                       << Steps{{"SR 1 Gr\xfc\xdf"
                                                 "e \x80",
                                                 "SR: OK"},
                                                {"GR 1", "GR: Gr\xfc\xdf"
                                                         "e \x80"}};
}

void TestDevsim::conversation() {
    QFETCH(int, device);
    QFETCH(Steps, steps);
    Session s;
    QVERIFY(s.start({QStringLiteral("--device"), QString::number(device)}));
    for (const auto& [command, expected] : steps) {
        const QByteArray reply = s.client.request(command);
        const QByteArray shown = command.left(60) + " => " + reply;
        // Telvane takes a colon as the end of a reply: every reply holds one.
        QVERIFY2(reply.contains(':'), shown.constData());
        if (expected.endsWith("ERROR"))
            QVERIFY2(reply.startsWith(QByteArray(expected + ' ')), shown.constData());
        else
            QVERIFY2(reply == expected, shown.constData());
    }
}

void TestDevsim::terminalLinesAreEachAnswered() {
    Session s;
    QVERIFY(s.start());
    s.client.send("SM 1\r\nGM\r\n\r\n  \nSP 1 3\nGM\rSM 2\r");
    for (const QByteArray& line : QList<QByteArray>{"SM 1: OK", "GM: 1", "SP: OK", "GM: 1", "SM 2: OK"})
        QCOMPARE(s.client.nextLine(), line);
    // No reply to the blank lines: the next thing that comes is the reply to the next command.
    QCOMPARE(s.client.request("GM"), QByteArray("GM: 2"));
}

void TestDevsim::clientsShareOneDevice() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--device"), QStringLiteral("1")}));
    Client second;
    QVERIFY(second.connectTo(s.sim.port));
    QCOMPARE(s.client.request("SM 1"), QByteArray("SM 1: OK"));
    QCOMPARE(second.request("GM"), QByteArray("GM: 1"));
    // Both ask before either reads: each gets its own answer.
    s.client.send("GM");
    second.send("GP 12");
    QCOMPARE(s.client.nextLine(), QByteArray("GM: 1"));
    QCOMPARE(second.nextLine(), QByteArray("GP: 0"));
}

void TestDevsim::faultNoColon() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--no-colon")}));
    QCOMPARE(s.client.request("GM"), QByteArray("GM 0"));
    QCOMPARE(s.client.request("FOO"), QByteArray("FOO ERROR unknown command"));
    QVERIFY(!s.client.chunks.join().contains(':'));
}

void TestDevsim::faultSplit() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--split"), QStringLiteral("--split-pause"), QStringLiteral("500")}));
    QCOMPARE(s.client.request("GM"), QByteArray("GM: 0"));
    QCOMPARE(s.client.chunks, (QList<QByteArray>{"GM", ": 0\r\n"}));
    // Two replies due at once stay in order and whole.
    s.client.send("SM 1\nGM\n");
    QCOMPARE(s.client.nextLine(), QByteArray("SM 1: OK"));
    QCOMPARE(s.client.nextLine(), QByteArray("GM: 1"));
}

void TestDevsim::faultCloseAfter() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--close-after"), QStringLiteral("2")}));
    s.client.send("GM\nSM 1\nSM 2\n");
    QCOMPARE(s.client.nextLine(), QByteArray("GM: 0"));
    QCOMPARE(s.client.nextLine(), QByteArray("SM 1: OK"));
    QVERIFY(s.client.waitForDisconnect());
    QVERIFY(s.client.nextLine(0).isNull());
    // The server goes on; a new client gets its own count, and the state survived.
    Client next;
    QVERIFY(next.connectTo(s.sim.port));
    QCOMPARE(next.request("GM"), QByteArray("GM: 1"));
    QCOMPARE(next.request("SM 2"), QByteArray("SM 2: OK"));
    QVERIFY(next.waitForDisconnect());
}

void TestDevsim::faultSilent() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--silent")}));
    QSignalSpy arrivals(&s.client.socket, &QTcpSocket::readyRead);
    s.client.send("GM");
    // Once the trace shows the command handled, a reply would already be on its way.
    QVERIFY(s.sim.waitForOutput(QStringLiteral("#1 -- no reply")));
    QVERIFY(!arrivals.wait(300));
    QCOMPARE(s.client.socket.state(), QAbstractSocket::ConnectedState);
}

void TestDevsim::faultReplyDelay() {
    Session s;
    QVERIFY(s.start({QStringLiteral("--reply-delay"), QStringLiteral("400")}));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(s.client.request("GM"), QByteArray("GM: 0"));
    QVERIFY2(clock.elapsed() >= 400, QByteArray::number(clock.elapsed()).constData());
}

void TestDevsim::survivesJunk_data() {
    QTest::addColumn<QByteArray>("junk");
    QTest::newRow("1 MB line") << QByteArray(1024 * 1024, 'B') + '\n';
    QTest::newRow("1 MB without terminator") << QByteArray(1024 * 1024, 'A');
    QByteArray noise(256 * 1024, '\0');
    QRandomGenerator generator(20070101);
    for (char& c : noise)
        c = static_cast<char>(generator.bounded(256));
    QTest::newRow("random bytes") << noise;
}

void TestDevsim::survivesJunk() {
    QFETCH(QByteArray, junk);
    Session s;
    QVERIFY(s.start({QStringLiteral("--device"), QStringLiteral("1")}));
    s.client.send(junk);
    QVERIFY(s.client.answersProbe());
    QVERIFY(s.sim.running());
    // Junk never changed the state.
    Client other;
    QVERIFY(other.connectTo(s.sim.port));
    QCOMPARE(other.request("GR 1"), QByteArray("GR: "));
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
