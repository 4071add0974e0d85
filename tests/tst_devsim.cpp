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

#include <memory>

#include <sys/socket.h>

namespace {

constexpr int Generous = 10000; // ms; every wait on the simulator is bounded by this

// A running simulator process.
class Devsim {
public:
    Devsim() {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_output += m_process.readAllStandardOutput(); });
        QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                         [this] { m_errors += m_process.readAllStandardError(); });
    }
    ~Devsim() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(Generous);
        }
    }

    // Starts on an ephemeral port unless the arguments name one, and waits for the "ready" line.
    bool start(QStringList arguments) {
        if (!arguments.contains(QStringLiteral("--port")))
            arguments << QStringLiteral("--port") << QStringLiteral("0");
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH), arguments);
        if (!waitForOutput(
                QRegularExpression(QStringLiteral("^ready: "), QRegularExpression::MultilineOption))) {
            qWarning("simulator did not get ready; stdout: %s stderr: %s", m_output.constData(),
                     m_errors.constData());
            return false;
        }
        const QRegularExpression listening(QStringLiteral("^listening on (.+):(\\d+)$"),
                                           QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch& match : listening.globalMatch(QString::fromUtf8(m_output))) {
            QString host = match.captured(1);
            if (host.startsWith(u'['))
                host = host.mid(1, host.size() - 2);
            m_listening.append(QHostAddress(host));
            m_ports.append(match.captured(2).toUShort());
        }
        return !m_ports.isEmpty() && m_ports.constFirst() != 0;
    }

    // Runs to its end with the given arguments; for option checks.
    int runToEnd(const QStringList& arguments) {
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH), arguments);
        if (!QTest::qWaitFor([this] { return m_process.state() == QProcess::NotRunning; }, Generous))
            return -1;
        m_output += m_process.readAllStandardOutput();
        m_errors += m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    bool waitForOutput(const QRegularExpression& pattern) {
        return QTest::qWaitFor([&] { return pattern.match(QString::fromUtf8(m_output)).hasMatch(); },
                               Generous);
    }

    quint16 port() const { return m_ports.isEmpty() ? 0 : m_ports.constFirst(); }
    const QList<QHostAddress>& listening() const { return m_listening; }
    const QList<quint16>& ports() const { return m_ports; }
    QString output() const { return QString::fromUtf8(m_output); }
    QString errors() const { return QString::fromUtf8(m_errors); }
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
    QList<QHostAddress> m_listening;
    QList<quint16> m_ports;
};

// One client connection that records every arrival as it came.
class Client {
public:
    Client() {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] {
            const QByteArray chunk = m_socket.readAll();
            m_chunks.append(chunk);
            m_pending += chunk;
        });
    }

    bool connectTo(const QString& host, quint16 port) {
        m_socket.connectToHost(host, port);
        return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                               Generous);
    }
    bool connectTo(const QHostAddress& address, quint16 port) { return connectTo(address.toString(), port); }

    void send(const QByteArray& bytes) { m_socket.write(bytes); }

    // The next reply line (without CR LF), or a null array when none came in time.
    QByteArray nextLine(int timeoutMs = Generous) {
        if (!QTest::qWaitFor([this] { return m_pending.contains("\r\n"); }, timeoutMs))
            return {};
        const qsizetype end = m_pending.indexOf("\r\n");
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 2);
        return line;
    }

    QByteArray request(const QByteArray& command) {
        send(command);
        return nextLine();
    }

    // Sends the probe "GM" until a reply to it comes; a probe that arrives together with junk still in
    // flight is taken as part of the junk and answered with an error instead.
    bool answersProbe() {
        QDeadlineTimer deadline(3 * Generous);
        while (!deadline.hasExpired()) {
            send("GM");
            for (QByteArray line = nextLine(1000); !line.isNull(); line = nextLine(0)) {
                if (line.startsWith("GM: "))
                    return true;
            }
        }
        return false;
    }

    // The reply to command, passing over replies to probes sent before.
    QByteArray requestAfterProbes(const QByteArray& command) {
        send(command);
        QByteArray line;
        do {
            line = nextLine();
        } while (line.startsWith("GM: "));
        return line;
    }

    bool waitForDisconnect() {
        return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; },
                               Generous);
    }

    QTcpSocket& socket() { return m_socket; }
    const QList<QByteArray>& chunks() const { return m_chunks; }
    const QByteArray& pending() const { return m_pending; }

private:
    QTcpSocket m_socket;
    QList<QByteArray> m_chunks;
    QByteArray m_pending;
};

using Steps = QList<QPair<QByteArray, QByteArray>>;

QByteArray repeated(char c, int count) {
    return QByteArray(count, c);
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestDevsim : public QObject {
    Q_OBJECT

private slots:
    void listensOnLoopbackAndHostName();
    void bindsOnlyChosenAddresses();
    void refusesBadOptions_data();
    void refusesBadOptions();
    void helpDescribesEverything();
    void conversation_data();
    void conversation();
    void terminalLinesAreEachAnswered();
    void clientsShareOneDevice();
    void traceShowsCommandsAndReplies();
    void faultNoColon();
    void faultSplit();
    void faultCloseAfter();
    void faultSilent();
    void faultReplyDelay();
    void survivesJunk_data();
    void survivesJunk();
    void survivesVanishingClients();
};

void TestDevsim::listensOnLoopbackAndHostName() {
    Devsim sim;
    QVERIFY(sim.start({}));
    const quint16 port = sim.port();
    for (quint16 each : sim.ports())
        QCOMPARE(each, port);
    QVERIFY2(sim.listening().contains(QHostAddress(QHostAddress::LocalHost)), qPrintable(sim.output()));
    QCOMPARE(QSet<QHostAddress>(sim.listening().begin(), sim.listening().end()).size(),
             sim.listening().size());

    // Telvane's first start connects to the local host name: its loopback addresses must be served.
    const QString hostName = QHostInfo::localHostName();
    for (const QHostAddress& address : QHostInfo::fromName(hostName).addresses()) {
        if (address.isLoopback())
            QVERIFY2(sim.listening().contains(address), qPrintable(address.toString()));
    }
    Client byName;
    QVERIFY(byName.connectTo(hostName, port));
    QCOMPARE(byName.request("GM"), QByteArray("GM: 0"));

    for (const QHostAddress& address : sim.listening()) {
        Client client;
        QVERIFY2(client.connectTo(address, port), qPrintable(address.toString()));
        QCOMPARE(client.request("GM"), QByteArray("GM: 0"));
    }
}

void TestDevsim::bindsOnlyChosenAddresses() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--bind"), QStringLiteral("127.0.0.1")}));
    QCOMPARE(sim.listening(), QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)});
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(client.request("GM"), QByteArray("GM: 0"));

    // An address of no interface here (TEST-NET-1) cannot be listened on: no partial start.
    Devsim foreign;
    QCOMPARE(foreign.runToEnd({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bind"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("--bind"),
                               QStringLiteral("192.0.2.1")}),
             1);
    QVERIFY2(foreign.errors().contains(QLatin1String("192.0.2.1")), qPrintable(foreign.errors()));
    QVERIFY(!foreign.output().contains(QLatin1String("ready")));
}

void TestDevsim::refusesBadOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("device 2") << QStringList{QStringLiteral("--device"), QStringLiteral("2")};
    QTest::newRow("device text") << QStringList{QStringLiteral("--device"), QStringLiteral("x")};
    QTest::newRow("port too big") << QStringList{QStringLiteral("--port"), QStringLiteral("65536")};
    QTest::newRow("negative delay") << QStringList{QStringLiteral("--reply-delay"), QStringLiteral("-1")};
    QTest::newRow("close after 0") << QStringList{QStringLiteral("--close-after"), QStringLiteral("0")};
    QTest::newRow("split pause 0") << QStringList{QStringLiteral("--split-pause"), QStringLiteral("0")};
    QTest::newRow("bind host name") << QStringList{QStringLiteral("--bind"), QStringLiteral("no.such.name")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--fast")};
    QTest::newRow("stray argument") << QStringList{QStringLiteral("6060")};
}

void TestDevsim::refusesBadOptions() {
    QFETCH(QStringList, arguments);
    Devsim sim;
    QCOMPARE(sim.runToEnd(arguments), 2);
    QVERIFY2(sim.errors().startsWith(QLatin1String("telvane-devsim: ")), qPrintable(sim.errors()));
    QVERIFY(!sim.output().contains(QLatin1String("listening on")));
}

void TestDevsim::helpDescribesEverything() {
    Devsim sim;
    QCOMPARE(sim.runToEnd({QStringLiteral("--help")}), 0);
    const QString help = sim.output();
    for (const char* option : {"--port", "--bind", "--device", "--reply-delay", "--no-colon", "--split",
                               "--split-pause", "--close-after", "--silent"})
        QVERIFY2(help.contains(QLatin1String(option)), option);
    for (const char* topic :
         {"Windows-1252", "ERROR <reason>", "CR LF", "Varnel 60", "Varnel 70", "HH:MM:SS.mmm"})
        QVERIFY2(help.contains(QLatin1String(topic)), topic);
}

// Each row: a fresh simulator of one device type and a list of commands with their expected replies. An
// expected reply ending in "ERROR" only fixes the start of the reply; the reason after it is free text.
void TestDevsim::conversation_data() {
    QTest::addColumn<int>("device");
    QTest::addColumn<Steps>("steps");

    QTest::newRow("type 1 program round trip")
        << 1 << Steps{{"GP 5", "GP: 0"},           {"SP 5 3", "SP: OK"},   {"GP 5", "GP: 3"},
                      {"GP 6", "GP: 0"},           {"SP 255 7", "SP: OK"}, {"GP 255", "GP: 7"},
                      {"SP 0005 00002", "SP: OK"}, {"GP 5", "GP: 2"}};
    QTest::newRow("type 0 production mode")
        << 0
        << Steps{{"GM", "GM: 0"},        {"SM 1", "SM 1: OK"}, {"GM", "GM: 1"},      {"SM 2", "SM 2: OK"},
                 {"GM", "GM: 2"},        {"SM 1", "SM 1: OK"}, {"SM 0", "SM 0: OK"}, {"GM", "GM: 0"},
                 {"SM -1", "SM: ERROR"}, {"SM 3", "SM: ERROR"}};
    QTest::newRow("type 1 production mode")
        << 1
        << Steps{{"GM", "GM: -1"}, {"SM -1", "SM -1: ERROR"}, {"SM 2", "SM 2: ERROR"}, {"SM 1", "SM 1: OK"},
                 {"GM", "GM: 1"},  {"SM 2", "SM 2: OK"},      {"GM", "GM: 2"},         {"SM -1", "SM -1: OK"},
                 {"GM", "GM: -1"}, {"SM 0", "SM: ERROR"}};
    QTest::newRow("type 0 needs production mode running")
        << 0
        << Steps{{"SP 1 3", "SP: ERROR"},
                 {"CA 1 Batch", "CA: ERROR"},
                 {"CB 1 5", "CB: ERROR"},
                 {"UN Max", "UN: ERROR"},
                 {"XC 1 x", "XC: ERROR"},
                 {"RM 1 r", "RM: ERROR"},
                 {"SM 0", "SM 0: ERROR"},
                 {"SM 1", "SM 1: OK"},
                 {"SP 1 3", "SP: OK"},
                 {"CA 1 Batch 7-a_b", "CA: OK"},
                 {"CB 1 2147483646", "CB: OK"},
                 {"UN Max Mustermann", "UN: OK"},
                 {"XC 1 any: thing at all", "XC: OK"},
                 {"RM 1 " + repeated('m', 21), "RM: ERROR"},
                 {"RM 1 " + repeated('m', 20), "RM: OK"},
                 {"UF 1 \"/tmp/backup.bak\"", "UF: ERROR"},
                 {"SM 2", "SM 2: OK"},
                 {"SP 1 3", "SP: ERROR"},
                 {"SM 0", "SM 0: OK"},
                 {"UF 1 \"/tmp/backup file.bak\"", "UF: OK"}};
    QTest::newRow("type 1 off-only commands")
        << 1 << Steps{{"SM 1", "SM 1: OK"}, {"UF 2 \"/a\"", "UF: ERROR"}, {"LD \"/b\"", "LD: ERROR"},
                      {"SP 1 2", "SP: OK"}, {"SM -1", "SM -1: OK"},       {"UF 2 \"/a b/c\"", "UF: OK"},
                      {"LD /b", "LD: OK"}};
    QTest::newRow("unknown commands")
        << 0 << Steps{{"FOO", "FOO: ERROR"},  {"sm 1", "sm: ERROR"},   {"GP 1", "GP: ERROR"},
                      {"LD /x", "LD: ERROR"}, {"SMX 1", "SMX: ERROR"}, {"GM", "GM: 0"}};
    QTest::newRow("type 1 lacks type 0 commands")
        << 1 << Steps{{"CA 1 x", "CA: ERROR"}, {"XC 1 x", "XC: ERROR"}, {"UN x", "UN: ERROR"}};
    QTest::newRow("wrong parameter count")
        << 1 << Steps{{"SP", "SP: ERROR"},   {"SP 1", "SP: ERROR"},   {"SP 1 2 3", "SP: ERROR"},
                      {"GM 1", "GM: ERROR"}, {"SM", "SM: ERROR"},     {"SM 1 2", "SM: ERROR"},
                      {"GP", "GP: ERROR"},   {"GP 1 2", "GP: ERROR"}, {"GCA x", "GCA: ERROR"},
                      {"SR 1", "SR: ERROR"}, {"SR 1 ", "SR: ERROR"},  {"GP 1", "GP: 0"}};
    QTest::newRow("type 0 ranges") << 0
                                   << Steps{{"SM 1", "SM 1: OK"},
                                            {"SP 100 3", "SP: ERROR"},
                                            {"SP -1 3", "SP: ERROR"},
                                            {"SP 1 32", "SP: ERROR"},
                                            {"SP 99 31", "SP: OK"},
                                            {"SP x 3", "SP: ERROR"},
                                            {"SP 1 3.5", "SP: ERROR"},
                                            {"SP 1 +3", "SP: ERROR"},
                                            {"CB 1 2147483647", "CB: ERROR"},
                                            {"CB 1 -1", "CB: ERROR"},
                                            {"CB 1 99999999999999999999999", "CB: ERROR"},
                                            {"CA 1 " + repeated('c', 63), "CA: OK"},
                                            {"CA 1 " + repeated('c', 64), "CA: ERROR"}};
    QTest::newRow("type 1 ranges") << 1 << Steps{{"SP 256 1", "SP: ERROR"},  {"SP 1 8", "SP: ERROR"},
                                                 {"SN 1 -1", "SN: ERROR"},   {"SN 1 2147483646", "SN: OK"},
                                                 {"GN 1", "GN: 2147483646"}, {"SNA -2", "SNA: ERROR"},
                                                 {"SNA -1", "SNA: OK"},      {"GNA", "GNA: -1"},
                                                 {"GN 1", "GN: -1"}};
    QTest::newRow("restricted text") << 1
                                     << Steps{{"SC 1 abc!", "SC: ERROR"},
                                              {"SC 1 Part_7-b X", "SC: OK"},
                                              {"GC 1", "GC: Part_7-b X"},
                                              {"SB 1 a\xe4", "SB: ERROR"},
                                              {"GB 1", "GB: "},
                                              {"SP1 1 " + repeated('a', 32), "SP1: OK"},
                                              {"SP1 1 " + repeated('b', 33), "SP1: ERROR"},
                                              {"GP1 1", "GP1: " + repeated('a', 32)},
                                              {"SP2A colon:", "SP2A: ERROR"}};
    QTest::newRow("free text")
        << 1
        << Steps{{"SR 4 " + repeated('r', 64), "SR: OK"},    {"SR 4 " + repeated('s', 65), "SR: ERROR"},
                 {"GR 4", "GR: " + repeated('r', 64)},       {"SR 4  two  blanks: and colon ", "SR: OK"},
                 {"GR 4", "GR: two  blanks: and colon "},    {"SU Max Mustermann", "SU: OK"},
                 {"SU " + repeated('u', 32), "SU: OK"},      {"SU " + repeated('u', 33), "SU: ERROR"},
                 {"SO 9 " + repeated('o', 20000), "SO: OK"}, {"SO 9 " + repeated('o', 20001), "SO: ERROR"}};
    QTest::newRow("paths") << 1
                           << Steps{{"UF 1 \"/no/closing", "UF: ERROR"},
                                    {"UF 1 \"\"", "UF: ERROR"},
                                    {"UF 1 \"/a\"b\"", "UF: ERROR"},
                                    {"UF 1 /plain/path", "UF: OK"},
                                    {"UF 1 /" + repeated('p', 256), "UF: ERROR"},
                                    {"UF 1 /" + repeated('p', 255), "UF: OK"},
                                    {"LD \"/x y/z.lst\"", "LD: OK"}};
    QTest::newRow("group settings") << 1
                                    << Steps{{"SC 3 own", "SC: OK"},        {"SCA group caption", "SCA: OK"},
                                             {"GC 3", "GC: group caption"}, {"GC 200", "GC: group caption"},
                                             {"SC 3 mine", "SC: OK"},       {"GC 3", "GC: mine"},
                                             {"GCA", "GCA: group caption"}, {"GC 4", "GC: group caption"},
                                             {"SNA 42", "SNA: OK"},         {"GN 7", "GN: 42"},
                                             {"SP1A p1", "SP1A: OK"},       {"GP1 8", "GP1: p1"},
                                             {"GP1A", "GP1A: p1"},          {"SP2A p2", "SP2A: OK"},
                                             {"GP2 9", "GP2: p2"},          {"GP2A", "GP2A: p2"},
                                             {"SBA charge 1", "SBA: OK"},   {"GB 0", "GB: charge 1"},
                                             {"GBA", "GBA: charge 1"},      {"SRA all of them", "SRA: OK"},
                                             {"GR 255", "GR: all of them"}, {"GRA", "GRA: all of them"}};
    QTest::newRow("windows-1252 text") << 1
                                       << Steps{{"SR 1 Gr\xfc\xdf"
                                                 "e \x80 \xe9t\xe9",
                                                 "SR: OK"},
                                                {"GR 1", "GR: Gr\xfc\xdf"
                                                         "e \x80 \xe9t\xe9"}};
    QTest::newRow("blanks around") << 1
                                   << Steps{{"  SP   7   5  ", "SP: OK"},
                                            {"GP\t7", "GP: 5"},
                                            {"   ", "?: ERROR"}};
}

void TestDevsim::conversation() {
    QFETCH(int, device);
    QFETCH(Steps, steps);
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--device"), QString::number(device)}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    for (const auto& [command, expected] : steps) {
        const QByteArray reply = client.request(command);
        const QByteArray shown = command.left(60);
        QVERIFY2(!reply.isNull(), shown.constData());
        QVERIFY2(reply.contains(':'), reply.constData());
        if (expected.endsWith("ERROR"))
            QVERIFY2(reply.startsWith(QByteArray(expected + ' ')),
                     QByteArray(shown + " => " + reply).constData());
        else
            QVERIFY2(reply == expected, QByteArray(shown + " => " + reply.left(80)).constData());
    }
    QVERIFY(client.pending().isEmpty());
}

void TestDevsim::terminalLinesAreEachAnswered() {
    Devsim sim;
    QVERIFY(sim.start({}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    client.send("SM 1\r\nGM\r\n\r\n  \nSP 1 3\nGM\rSM 2\r");
    const QList<QByteArray> expected{"SM 1: OK", "GM: 1", "SP: OK", "GM: 1", "SM 2: OK"};
    for (const QByteArray& line : expected)
        QCOMPARE(client.nextLine(), line);
    // No reply to the blank lines: the next thing that comes is the reply to the next command.
    QCOMPARE(client.request("GM"), QByteArray("GM: 2"));

    // Like "printf ... | nc -N": the client ends its sending side right after the commands.
    Client piped;
    QVERIFY(piped.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    piped.send("SM 1\nGM\n");
    QVERIFY(QTest::qWaitFor([&] { return piped.socket().bytesToWrite() == 0; }, Generous));
    QCOMPARE(::shutdown(static_cast<int>(piped.socket().socketDescriptor()), SHUT_WR), 0);
    QCOMPARE(piped.nextLine(), QByteArray("SM 1: OK"));
    QCOMPARE(piped.nextLine(), QByteArray("GM: 1"));
    QVERIFY(piped.waitForDisconnect());
}

void TestDevsim::clientsShareOneDevice() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--device"), QStringLiteral("1")}));
    Client first;
    Client second;
    QVERIFY(first.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QVERIFY(second.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));

    QCOMPARE(first.request("SM 1"), QByteArray("SM 1: OK"));
    QCOMPARE(second.request("GM"), QByteArray("GM: 1"));
    QCOMPARE(second.request("SP 12 6"), QByteArray("SP: OK"));
    QCOMPARE(first.request("GP 12"), QByteArray("GP: 6"));

    // Both ask before either reads: each gets its own answer.
    first.send("GP 12");
    second.send("GM");
    QCOMPARE(first.nextLine(), QByteArray("GP: 6"));
    QCOMPARE(second.nextLine(), QByteArray("GM: 1"));
    QVERIFY(sim.waitForOutput(
        QRegularExpression(QStringLiteral(" #2 <- GM$"), QRegularExpression::MultilineOption)));
}

void TestDevsim::traceShowsCommandsAndReplies() {
    Devsim sim;
    QVERIFY(sim.start({}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(client.request(QByteArray("SM 1")), QByteArray("SM 1: OK"));
    client.send(QByteArray("X\x01Y", 3));
    QVERIFY(!client.nextLine().isNull());
    QVERIFY2(sim.waitForOutput(
                 QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} #1 <- X\\\\x01Y$"),
                                    QRegularExpression::MultilineOption)),
             qPrintable(sim.output()));
    const QString output = sim.output();
    const QRegularExpression command(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} #1 <- SM 1$"),
                                     QRegularExpression::MultilineOption);
    const QRegularExpression reply(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} #1 -> SM 1: OK$"),
                                   QRegularExpression::MultilineOption);
    QVERIFY2(command.match(output).hasMatch(), qPrintable(output));
    QVERIFY2(reply.match(output).hasMatch(), qPrintable(output));
    QVERIFY(command.match(output).capturedStart() < reply.match(output).capturedStart());
}

void TestDevsim::faultNoColon() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--no-colon")}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(client.request("GM"), QByteArray("GM 0"));
    QCOMPARE(client.request("FOO"), QByteArray("FOO ERROR unknown command"));
    QCOMPARE(client.request("SM 1"), QByteArray("SM 1 OK"));
    QVERIFY(!client.chunks().join().contains(':'));
}

void TestDevsim::faultSplit() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--split"), QStringLiteral("--split-pause"), QStringLiteral("500")}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(client.request("GM"), QByteArray("GM: 0"));
    QCOMPARE(client.chunks(), (QList<QByteArray>{"GM", ": 0\r\n"}));
    QCOMPARE(client.request("SM 1"), QByteArray("SM 1: OK"));
    QCOMPARE(client.chunks().mid(2), (QList<QByteArray>{"SM 1", ": OK\r\n"}));

    // Two replies due at once stay in order and whole: the second starts after the first has ended.
    client.send("GM\nSM 2\n");
    QCOMPARE(client.nextLine(), QByteArray("GM: 1"));
    QCOMPARE(client.nextLine(), QByteArray("SM 2: OK"));
}

void TestDevsim::faultCloseAfter() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--close-after"), QStringLiteral("2")}));
    Client first;
    QVERIFY(first.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(first.request("GM"), QByteArray("GM: 0"));
    QCOMPARE(first.request("SM 1"), QByteArray("SM 1: OK"));
    QVERIFY(first.waitForDisconnect());

    // The server goes on; a new client gets its own count, and the state survived.
    Client second;
    QVERIFY(second.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    second.send("GM\nSM 2\nSM 1\n");
    QCOMPARE(second.nextLine(), QByteArray("GM: 1"));
    QCOMPARE(second.nextLine(), QByteArray("SM 2: OK"));
    QVERIFY(second.waitForDisconnect());
    QVERIFY2(!second.pending().contains("SM 1"), second.pending().constData());

    Client third;
    QVERIFY(third.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(third.request("GM"), QByteArray("GM: 2"));
}

void TestDevsim::faultSilent() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--silent")}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QSignalSpy arrivals(&client.socket(), &QTcpSocket::readyRead);
    client.send("GM");
    // Once the trace shows the probe handled, a reply would already be on its way.
    QVERIFY2(sim.waitForOutput(QRegularExpression(QStringLiteral("#1 -- no reply"))),
             qPrintable(sim.output()));
    QVERIFY(!arrivals.wait(300));
    QVERIFY(client.chunks().isEmpty());
    QCOMPARE(client.socket().state(), QAbstractSocket::ConnectedState);
}

void TestDevsim::faultReplyDelay() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("400")}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(client.request("GM"), QByteArray("GM: 0"));
    QVERIFY2(clock.elapsed() >= 400, QByteArray::number(clock.elapsed()).constData());

    clock.restart();
    client.send("SM 1\nGM\n");
    QCOMPARE(client.nextLine(), QByteArray("SM 1: OK"));
    QCOMPARE(client.nextLine(), QByteArray("GM: 1"));
    QVERIFY(clock.elapsed() >= 400);
}

void TestDevsim::survivesJunk_data() {
    QTest::addColumn<QByteArray>("junk");
    QTest::newRow("1 MB without terminator") << repeated('A', 1024 * 1024);
    QTest::newRow("1 MB line") << repeated('B', 1024 * 1024) + '\n';
    QTest::newRow("1 MB of line ends") << repeated('\n', 1024 * 1024);
    QTest::newRow("1 MB valid command word") << "SR 1 " + repeated('r', 1024 * 1024);
    QByteArray bytes;
    for (int round = 0; round < 64; ++round) {
        for (int value = 0; value < 256; ++value)
            bytes.append(static_cast<char>(value));
    }
    QTest::newRow("every byte value") << bytes;
    QByteArray noise(256 * 1024, '\0');
    QRandomGenerator generator(20070101);
    for (char& c : noise)
        c = static_cast<char>(generator.bounded(256));
    QTest::newRow("random bytes") << noise;
    QTest::newRow("NUL bytes") << QByteArray(4096, '\0');
}

void TestDevsim::survivesJunk() {
    QFETCH(QByteArray, junk);
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--device"), QStringLiteral("1")}));
    Client client;
    QVERIFY(client.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    client.send(junk);
    QVERIFY(client.answersProbe());
    QVERIFY(sim.running());
    // Junk never changed the state.
    QCOMPARE(client.requestAfterProbes("GR 1"), QByteArray("GR: "));

    Client other;
    QVERIFY(other.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(other.request("GM"), QByteArray("GM: -1"));
}

void TestDevsim::survivesVanishingClients() {
    Devsim sim;
    QVERIFY(sim.start({QStringLiteral("--reply-delay"), QStringLiteral("100"), QStringLiteral("--split")}));
    for (int round = 0; round < 5; ++round) {
        // Gone while its reply waits for the delay.
        auto early = std::make_unique<Client>();
        QVERIFY(early->connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
        early->send("GM");
        QVERIFY(sim.waitForOutput(QRegularExpression(QStringLiteral(" #%1 <- GM").arg(2 * round + 1))));
        early->socket().abort();
        early.reset();

        // Gone in the middle of a megabyte.
        auto flood = std::make_unique<Client>();
        QVERIFY(flood->connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
        flood->send(repeated('F', 1024 * 1024));
        QVERIFY(sim.waitForOutput(QRegularExpression(QStringLiteral(" #%1 <- F").arg(2 * round + 2))));
        flood->socket().abort();
        flood.reset();
    }
    Client survivor;
    QVERIFY(survivor.connectTo(QHostAddress(QHostAddress::LocalHost), sim.port()));
    QCOMPARE(survivor.request("GM"), QByteArray("GM: 0"));
    QVERIFY(sim.running());
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
