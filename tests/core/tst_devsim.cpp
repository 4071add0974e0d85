// telvane-devsim, the stand-in for the device software: the real binary on a free port, driven over TCP.

#include "support/CoreSupport.h"

#include <QElapsedTimer>
#include <QHostInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

namespace {

// A running simulator and what it has printed.
class Devsim {
public:
    explicit Devsim(const QStringList& arguments) {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { trace += QString::fromUtf8(m_process.readAllStandardOutput()); });
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH),
                        arguments + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
    }
    ~Devsim() {
        m_process.kill();
        m_process.waitForFinished(Timeout);
    }
    bool shows(const QString& pattern) const {
        const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
        return QTest::qWaitFor([&] { return expression.match(trace).hasMatch(); }, Timeout);
    }
    // The port it listens on, once it is ready; 0 when it does not get there.
    quint16 port() const {
        const QRegularExpression listening(QStringLiteral("^listening on .+:(\\d+)$"),
                                           QRegularExpression::MultilineOption);
        return shows(QStringLiteral("^ready: ")) ? listening.match(trace).captured(1).toUShort() : 0;
    }
    bool running() const { return m_process.state() == QProcess::Running; }

    QString trace;

private:
    QProcess m_process;
};

// One connection that keeps every arrival as it came.
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
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, Timeout);
    }
    // The next reply line without CR LF, or a null array when none came in time.
    QByteArray nextLine(int timeoutMs = Timeout) {
        if (!QTest::qWaitFor([this] { return m_pending.contains("\r\n"); }, timeoutMs))
            return {};
        const QByteArray line = m_pending.left(m_pending.indexOf("\r\n"));
        m_pending.remove(0, line.size() + 2);
        return line;
    }
    QByteArray request(const QByteArray& command) {
        socket.write(command);
        return nextLine();
    }

    QTcpSocket socket;
    QList<QByteArray> chunks;

private:
    QByteArray m_pending;
};

} // namespace

class DevsimTest : public QObject {
    Q_OBJECT

private slots:
    void conversation_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<QByteArray>("replies"); // lines; "ERROR" stands for an error with any reason; '|'
                                                 // where one arrival must end
        QTest::addColumn<bool>("closes");
        auto row = [](const char* name, const char* options, const QByteArray& commands, const char* replies,
                      bool closes = false) {
            QTest::newRow(name) << QString::fromLatin1(options) << commands << QByteArray(replies) << closes;
        };
        row("type 1 programs", "--device 1", "GP 5\nSP 5 3\nGP 5\nGP 6\n", "GP: 0\nSP: OK\nGP: 3\nGP: 0\n");
        row("type 0 production mode, unknown commands", "--device 0",
            "SP 1 3\nSM 1\nSP 1 3\nUF 1 \"/b\"\nSM 2\nGM\nSM 0\nUF 1 \"/b\"\nFOO\nsm 1\nGP 1\n",
            "SP: ERROR\nSM 1: OK\nSP: OK\nUF: ERROR\nSM 2: OK\nGM: 2\nSM 0: OK\nUF: OK\nFOO: ERROR\nsm: "
            "ERROR\nGP: ERROR\n");
        row("counts and ranges", "--device 1",
            "SP 1\nSP 1 2 3\nGM 1\nSP 256 1\nSP 1 8\nSNA -2\nSNA -1\nSC 1 a!\n",
            "SP: ERROR\nSP: ERROR\nGM: ERROR\nSP: ERROR\nSP: ERROR\nSNA: ERROR\nSNA: OK\nSC: ERROR\n");
        row("text length", "--device 1",
            "SP1 1 " + QByteArray(33, 'b') + "\nSP1 1 " + QByteArray(32, 'b') + '\n',
            "SP1: ERROR\nSP1: OK\n");
        row("Windows-1252 text", "--device 1", "SR 1 Gr\xfc\xdf \x80\nGR 1\n",
            "SR: OK\nGR: Gr\xfc\xdf \x80\n");
        row("fault: no colon", "--no-colon", "GM\nFOO\n", "GM 0\nFOO ERROR\n");
        row("fault: split", "--split --split-pause 500", "GM", "GM|: 0\n");
        row("fault: close after 2", "--close-after 2", "GM\nSM 1\nSM 2\n", "GM: 0\nSM 1: OK\n", true);
        row("fault: silent", "--silent", "SM 1", "");
        row("fault: reply delay", "--reply-delay 400", "GM", "GM: 0\n");
    }
    void conversation() {
        QFETCH(QString, options);
        QFETCH(QByteArray, commands);
        QFETCH(QByteArray, replies);
        QFETCH(bool, closes);
        Devsim sim(options.split(QLatin1Char(' ')));
        Client client;
        // The settings of a first start: this computer's name.
        QVERIFY(client.connectTo(sim.port(), QHostInfo::localHostName()));
        QElapsedTimer clock;
        clock.start();
        client.socket.write(commands);
        const QList<QByteArray> arrivals = replies.replace("\n", "\r\n").split('|');
        const QRegularExpression reason(QStringLiteral("ERROR [^\r]*"));
        QTRY_COMPARE_WITH_TIMEOUT(
            QString::fromLatin1(client.chunks.join()).replace(reason, QStringLiteral("ERROR")),
            QString::fromLatin1(arrivals.join()), Timeout);
        QVERIFY(arrivals.size() == 1 || client.chunks == arrivals);
        QVERIFY(!options.endsWith(QLatin1String("400")) || clock.elapsed() >= 400);
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state() == QAbstractSocket::UnconnectedState, closes,
                                  Timeout);
        if (replies.isEmpty()) { // silent: the trace shows the command handled and no reply sent
            QVERIFY(sim.shows(QStringLiteral("#1 -- no reply")));
            QVERIFY(!sim.trace.contains(QLatin1String("#1 ->")));
        }
        Client next; // the server goes on, and so does the device's state
        QVERIFY(!closes || (next.connectTo(sim.port()) && next.request("GM") == "GM: 1"));
    }

    void linesAndClients() {
        Devsim sim({QStringLiteral("--device"), QStringLiteral("1")});
        Client first;
        Client second;
        QVERIFY(first.connectTo(sim.port()) && second.connectTo(sim.port()));
        // Typed at a terminal: each non-blank line is a command.
        first.socket.write("SM 1\r\nGM\r\n\r\n  \nSP 1 3\nGM\rSM 2\r");
        for (const char* line : {"SM 1: OK", "GM: 1", "SP: OK", "GM: 1", "SM 2: OK"})
            QCOMPARE(first.nextLine(), QByteArray(line));
        // The clients share one device; each gets its own answers, and none to the blank lines.
        QCOMPARE(second.request("GP 1"), QByteArray("GP: 3"));
        first.socket.write("GM");
        second.socket.write("GP 12");
        QCOMPARE(first.nextLine(), QByteArray("GM: 2"));
        QCOMPARE(second.nextLine(), QByteArray("GP: 0"));
    }

    void survivesJunk_data() {
        QTest::addColumn<QByteArray>("junk");
        QTest::newRow("1 MB line") << QByteArray(1024 * 1024, 'B') + '\n';
        QTest::newRow("1 MB without line end") << QByteArray(1024 * 1024, 'A');
        QByteArray noise(256 * 1024, '\0');
        QRandomGenerator generator(20070101);
        for (char& c : noise)
            c = static_cast<char>(generator.bounded(256));
        QTest::newRow("random bytes") << noise;
    }
    void survivesJunk() {
        QFETCH(QByteArray, junk);
        Devsim sim({QStringLiteral("--device"), QStringLiteral("1")});
        Client client;
        QVERIFY(client.connectTo(sim.port()));
        client.socket.write(junk);
        // A probe that arrives together with the junk is taken as part of it: probe until one is answered.
        bool answered = false;
        for (int attempt = 0; attempt < 30 && !answered; ++attempt) {
            client.socket.write("\nGM\n");
            answered = QTest::qWaitFor([&] { return client.chunks.join().contains("GM: -1"); }, 1000);
        }
        QVERIFY(answered && sim.running());
        Client other; // junk changed nothing
        QVERIFY(other.connectTo(sim.port()));
        QCOMPARE(other.request("GR 1"), QByteArray("GR: "));
    }
};

QTEST_GUILESS_MAIN(DevsimTest)
#include "tst_devsim.moc"
