// telvane-run as a shell runs it, without a display: its exit statuses against the simulator and against a
// peer that drops the line, what it prints, and what Setup.ini and the options decide.

#include "support/CoreSupport.h"

#include "core/scripts/QuickDialConfig.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

// The simulator on a free port of its own, with the fault modes given.
class Simulator {
public:
    explicit Simulator(const QStringList& faults) {
        m_process.start(QStringLiteral(TELVANE_DEVSIM_PATH),
                        QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bind"),
                                    QStringLiteral("127.0.0.1")} +
                            faults);
        QByteArray out;
        while (!out.contains("ready:") && m_process.waitForReadyRead(Timeout))
            out += m_process.readAllStandardOutput();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("listening on 127.0.0.1:(\\d+)"))
                .match(QString::fromLatin1(out));
        m_port = match.captured(1);
    }
    ~Simulator() {
        m_process.kill();
        m_process.waitForFinished(Timeout);
    }
    const QString& port() const { return m_port; }

private:
    QProcess m_process;
    QString m_port;
};

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    void exitStatuses_data() {
        QTest::addColumn<QString>("peer");  // simulator fault modes; "drop": a peer that closes at the first
                                            // command; "none": a port where nobody listens
        QTest::addColumn<QString>("setup"); // Setup.ini keys besides Name and Port, "key=value;..."
        QTest::addColumn<QString>("args");  // TEMPLATE, CFG (slots SM 1#GM, SM 0#GM, -, GM#GM), SETUP, EMPTY
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out"); // the whole of stdout; T stands for a time stamp
        QTest::addColumn<QString>("err"); // a part of stderr; "" for none at all
        auto row = [](const char* name, const char* peer, const char* setup, const char* args, int signal,
                      int status, const char* out, const char* err) {
            QTest::newRow(name) << QString::fromLatin1(peer) << QString::fromLatin1(setup)
                                << QString::fromLatin1(args) << signal << status << QString::fromLatin1(out)
                                << QString::fromLatin1(err);
        };
        row("the template's slot 1", "", "", "TEMPLATE 1", 0, 0,
            "T Set SM 1\nT Get SM 1: OK\\\\r\\\\n\nT Set GM\nT Get GM: 1\\\\r\\\\n\n",
            "Command script processed, 2 commands.");
        row("the template's slot 2, as JSON lines", "", "", "--jsonl TEMPLATE 2", 0, 0,
            "\\{\"mode\":\"Set\",\"sent\":true,\"text\":\"SM 2\",\"time\":\"T\"\\}\n"
            "\\{\"mode\":\"Get\",\"text\":\"SM 2: ERROR [a-z ]+\\\\r\\\\n\",\"time\":\"T\"\\}\n"
            "\\{\"mode\":\"Set\",\"sent\":true,\"text\":\"GM\",\"time\":\"T\"\\}\n"
            "\\{\"mode\":\"Get\",\"text\":\"GM: 0\\\\r\\\\n\",\"time\":\"T\"\\}\n",
            "processed");
        row("the template's slot 3, quiet", "", "", "--quiet TEMPLATE 3", 0, 0, "", "");
        row("slot out of range", "", "", "CFG 9", 0, 1, "", "SLOT must be 1..8");
        row("empty slot", "", "", "CFG 3", 0, 1, "", "holds no commands");
        row("missing file", "", "", "MISSING 1", 0, 1, "", "no such file");
        row("not a configuration file", "", "", "SETUP 1", 0, 1, "", "is not a");
        row("no connection", "none", "", "--connect-timeout 0.5 CFG 1", 0, 2, "", "no connection");
        row("reply timeout from Setup.ini", "--silent", "ReplyTimeout=1", "CFG 1", 0, 3, "T Set SM 1\n",
            "No reply to \"SM 1\" within 1 s.");
        row("reply timeout from the option", "--silent", "ReplyTimeout=600", "--timeout 0.3 CFG 1", 0, 3,
            "T Set SM 1\n", "within 1 s");
        row("connection lost during a wait", "drop", "", "CFG 1", 0, 4, "T Set SM 1\n", "connection lost");
        row("connection lost after a reply", "--close-after 1", "", "CFG 4", 0, 4,
            "T Set GM\nT Get GM: 0\\\\r\\\\n\nT Set GM( \\[Not sent: .*\\])?\n", "connection lost");
        row("error text from Setup.ini", "", "ErrorText=ERROR", "CFG 2", 0, 5,
            "T Set SM 0\nT Get SM 0: ERROR [a-z ]+\\\\r\\\\n\n", "Error reply to \"SM 0\": SM 0: ERROR");
        row("error text switched off by the option", "", "ErrorText=ERROR", "--error-text EMPTY CFG 2", 0, 0,
            "(T \\S.*\n){4}", "processed");
        row("SIGINT", "--silent", "", "CFG 4", SIGINT, 130, "T Set GM\n", "Cancelled after 1 of 2 commands.");
        row("SIGTERM", "--silent", "", "CFG 4", SIGTERM, 143, "T Set GM\n", "Cancelled after 1 of 2 commands.");
    }
    void exitStatuses() {
        QFETCH(QString, peer);
        QFETCH(QString, setup);
        QFETCH(QString, args);
        QFETCH(int, signal);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);

        std::optional<Simulator> simulator;
        LoopbackPeer dropping;
        QString port = QString::number(refusingPort());
        if (peer == QLatin1String("drop")) {
            port = dropping.portText();
        } else if (peer != QLatin1String("none")) {
            simulator.emplace(peer.split(QLatin1Char(' '), Qt::SkipEmptyParts));
            port = simulator->port();
            QVERIFY(!port.isEmpty());
        }

        // The settings folder telvane-run reads, as the window would: English, the peer's address.
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Veltrix/Telvane/"));
        QVERIFY(QDir().mkpath(folder));
        const QString ini = folder + QStringLiteral("Setup.ini");
        QStringList keys = {QStringLiteral("Language=1"), QStringLiteral("Name=127.0.0.1"),
                            QStringLiteral("Port=") + port};
        keys += setup.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& key : keys)
            QVERIFY(WriteProfileValue(Settings::Section, key.section(QLatin1Char('='), 0, 0),
                                      key.section(QLatin1Char('='), 1), ini));
        QuickDialSlots memory;
        const char* const commands[] = {"SM 1|GM", "SM 0|GM", "", "GM|GM"};
        for (std::size_t slot = 0; slot < 4; ++slot) {
            for (const QString& command : QString::fromLatin1(commands[slot]).split(u'|', Qt::SkipEmptyParts))
                memory[slot].lines.append({command, QString()});
        }
        const QString cfg = home.filePath(QStringLiteral("Test.cfg"));
        QVERIFY(SaveQuickDialFile(cfg, memory));

        QStringList arguments;
        for (const QString& arg : args.split(QLatin1Char(' '))) {
            if (arg == QLatin1String("TEMPLATE"))
                arguments.append(
                    QStringLiteral(TELVANE_SOURCE_DIR "/resources/templates/DefaultCommandSet.cfg"));
            else if (arg == QLatin1String("CFG"))
                arguments.append(cfg);
            else if (arg == QLatin1String("SETUP"))
                arguments.append(ini);
            else if (arg == QLatin1String("MISSING"))
                arguments.append(home.filePath(QStringLiteral("missing.cfg")));
            else
                arguments.append(arg == QLatin1String("EMPTY") ? QString() : arg);
        }
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(TELVANE_RUN_PATH), arguments);
        QVERIFY(run.waitForStarted(Timeout));
        QByteArray stdoutBytes;
        if (peer == QLatin1String("drop")) {
            QTRY_VERIFY_WITH_TIMEOUT(!dropping.received.isEmpty(), Timeout);
            dropping.dropClient();
        }
        if (signal != 0) {
            // Once the first command is out and waits for its reply.
            QTRY_VERIFY_WITH_TIMEOUT((stdoutBytes += run.readAllStandardOutput()).contains('\n'), Timeout);
            ::kill(pid_t(run.processId()), signal);
        }
        QVERIFY(run.waitForFinished(Timeout));
        stdoutBytes += run.readAllStandardOutput();
        const QString stderrText = QString::fromUtf8(run.readAllStandardError());
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QVERIFY2(run.exitCode() == status, qPrintable(stderrText));
        const QString pattern =
            QStringLiteral("\\A") +
            QString(out).replace(QLatin1Char('T'), QStringLiteral("\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d")) +
            QStringLiteral("\\z");
        QVERIFY2(QRegularExpression(pattern).match(QString::fromUtf8(stdoutBytes)).hasMatch(),
                 stdoutBytes.constData());
        QVERIFY2(err.isEmpty() ? stderrText.isEmpty() : stderrText.contains(err), qPrintable(stderrText));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
