// telvane-run as a shell runs it, without a display: its exit statuses against the simulator and against a
// peer that drops the line, what it prints, and what it takes from Setup.ini.

#include "support/CoreSupport.h"

#include "core/scripts/QuickDialConfig.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

class CliTest : public QObject {
    Q_OBJECT

private slots:
    void exitStatuses_data() {
        QTest::addColumn<QString>("peer"); // the simulator's fault modes; "drop": a peer that closes at the
                                           // first command; "none": a port where nobody listens
        // The template (T), a file (C) with the slots SM 1#GM, SM 0#GM, -, GM#GM, a missing one (M);
        // Setup.ini keys besides Name and Port as key=value.
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");  // above 128: that signal is sent once the first row is out
        QTest::addColumn<QString>("out"); // all of stdout; T stands for a time stamp
        QTest::addColumn<QString>("err"); // a part of stderr
        auto row = [](const char* name, const char* peer, const char* args, int status, const char* out,
                      const char* err) {
            QTest::newRow(name) << QString::fromLatin1(peer) << QString::fromLatin1(args) << status
                                << QString::fromLatin1(out) << QString::fromLatin1(err);
        };
        row("the template's slot 1", "", "T 1", 0,
            "T Set SM 1\nT Get SM 1: OK\\\\r\\\\n\nT Set GM\nT Get GM: 1\\\\r\\\\n\n",
            "Command script processed, 2 commands.");
        row("slot 3, JSON lines", "", "--jsonl T 3", 0,
            "\\{\"mode\":\"Set\",\"sent\":true,\"text\":\"GM\",\"time\":\"T\"\\}\n"
            "\\{\"mode\":\"Get\",\"text\":\"GM: 0\\\\r\\\\n\",\"time\":\"T\"\\}\n",
            "processed, 1 command.");
        row("slot out of range", "", "C 9", 1, "", "SLOT must be 1..8");
        row("empty slot", "", "C 3", 1, "", "holds no commands");
        row("missing file", "", "M 1", 1, "", "no such file");
        row("no connection", "none", "--connect-timeout 0.5 C 1", 2, "", "no connection");
        row("reply timeout from Setup.ini", "--silent", "ReplyTimeout=1 C 1", 3, "T Set SM 1\n",
            "No reply to \"SM 1\" within 1 s.");
        row("connection lost during a wait", "drop", "C 1", 4, "T Set SM 1\n", "connection lost");
        row("connection lost after a reply", "--close-after 1", "C 4", 4,
            "T Set GM\nT Get GM: 0\\\\r\\\\n\nT Set GM.*\n", "connection lost");
        row("error text from Setup.ini", "", "ErrorText=ERROR C 2", 5, "T Set SM 0\nT Get SM 0: ERROR .*\n",
            "Error reply to \"SM 0\": SM 0: ERROR");
        row("SIGINT", "--silent", "C 4", 128 + SIGINT, "T Set GM\n", "Cancelled after 1 of 2 commands.");
        row("SIGTERM", "--silent", "C 4", 128 + SIGTERM, "T Set GM\n", "Cancelled after 1 of 2 commands.");
    }
    void exitStatuses() {
        QFETCH(QString, peer);
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess simulator;
        LoopbackPeer dropping;
        QString port = peer == "drop"_L1 ? dropping.portText() : QString::number(refusingPort());
        if (peer != "drop"_L1 && peer != "none"_L1) {
            simulator.start(QStringLiteral(TELVANE_DEVSIM_PATH),
                            QStringList{u"--port"_s, u"0"_s, u"--bind"_s, u"127.0.0.1"_s} +
                                peer.split(u' ', Qt::SkipEmptyParts));
            QByteArray trace;
            while (!trace.contains("ready:") && simulator.waitForReadyRead(Timeout))
                trace += simulator.readAllStandardOutput();
            port = QRegularExpression(u"127.0.0.1:(\\d+)"_s).match(QString::fromLatin1(trace)).captured(1);
        }

        // The settings folder telvane-run reads, as the window would.
        QTemporaryDir home;
        QVERIFY(QDir().mkpath(home.filePath(u"Veltrix/Telvane"_s)));
        QStringList keys = {u"Language=1"_s, u"Name=127.0.0.1"_s, u"Port="_s + port};
        QStringList arguments;
        const QString cfg = home.filePath(u"Test.cfg"_s);
        for (const QString& arg : args.split(u' ')) {
            if (arg.contains(u'='))
                keys.append(arg);
            else
                arguments.append(arg == "T"_L1   ? QStringLiteral(TELVANE_SOURCE_DIR
                                                                  "/resources/templates/DefaultCommandSet.cfg")
                                 : arg == "C"_L1 ? cfg
                                 : arg == "M"_L1 ? home.filePath(u"missing.cfg"_s)
                                                 : arg);
        }
        for (const QString& key : keys)
            WriteProfileValue(Settings::Section, key.section(u'=', 0, 0), key.section(u'=', 1),
                              home.filePath(u"Veltrix/Telvane/Setup.ini"_s));
        QuickDialSlots memory;
        memory[0].lines = {{u"SM 1"_s, {}}, {u"GM"_s, {}}};
        memory[1].lines = {{u"SM 0"_s, {}}, {u"GM"_s, {}}};
        memory[3].lines = {{u"GM"_s, {}}, {u"GM"_s, {}}};
        QVERIFY(saveQuickDialFile(cfg, memory));

        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        environment.insert(u"XDG_DATA_HOME"_s, home.path());
        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(TELVANE_RUN_PATH), arguments);
        QByteArray printed;
        if (peer == "drop"_L1) {
            QTRY_VERIFY_WITH_TIMEOUT(!dropping.received.isEmpty(), Timeout);
            dropping.dropClient();
        }
        if (status > 128) {
            QTRY_VERIFY_WITH_TIMEOUT((printed += run.readAllStandardOutput()).contains('\n'), Timeout);
            ::kill(pid_t(run.processId()), status - 128);
        }
        QVERIFY(run.waitForFinished(Timeout));
        printed += run.readAllStandardOutput();
        const QString errors = QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == status, qPrintable(errors));
        const QString pattern = QString(out).replace(u'T', u"\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d"_s);
        QVERIFY2(
            QRegularExpression(u"\\A"_s + pattern + u"\\z"_s).match(QString::fromUtf8(printed)).hasMatch(),
            printed.constData());
        QVERIFY2(errors.contains(err), qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
