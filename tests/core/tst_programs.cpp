// The built programs run as processes, as a shell runs them: what their command lines answer without a
// display, the end a termination signal brings, telvane-run's exit statuses against the simulator and against
// a peer that drops the line (with what it prints and what it takes from Setup.ini), and telvane-devsim, the
// stand-in for the device software, driven over TCP.

#include "support/CoreSupport.h"

#include "core/link/LogCapture.h"
#include "core/scripts/QuickDialConfig.h"

#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// One connection that keeps every arrival as it came.
class Client {
public:
    Client() {
        QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
            chunks.append(socket.readAll());
            m_pending += chunks.last();
        });
    }
    bool connectTo(quint16 port, const QString& host = u"127.0.0.1"_s) {
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

class ProgramsTest : public QObject {
    Q_OBJECT

private slots:
    // Help, version and wrong options are answered before the GUI exists: no display needed.
    void commandLine_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line"); // on stdout after status 0, else on stderr; the other stays empty
        auto row = [](const char* command, int status, const char* line) {
            QTest::newRow(command) << QString::fromLatin1(command) << status << QString::fromLatin1(line);
        };
        row("telvane --help", 0, "Usage: telvane [options]");
        row("telvane -platform xcb -v", 0, "telvane " TELVANE_VERSION);
        // The desktop's style choices reach Qt, in both spellings.
        row("telvane -style windows -stylesheet my.qss -widgetcount -v", 0, "telvane " TELVANE_VERSION);
        row("telvane -style=windows --version", 0, "telvane " TELVANE_VERSION);
        row("telvane --colour", 1, "telvane: Unknown option 'colour'.");
        row("telvane -platform", 1, "Try 'telvane --help'."); // a Qt option without its value
        row("telvane file.cfg", 1, "telvane: unexpected argument 'file.cfg'");
        // The simulator shares the options above; its own name and its own option.
        row("telvane-devsim --colour", 1, "Try 'telvane-devsim --help'.");
        row("telvane-devsim --port x", 1, "telvane-devsim: --port needs a number from 0 to 65535");
        // telvane-run speaks the language of Setup.ini (none here: German) or of --language, and follows
        // sysexits.
        row("telvane-run --help", 0, "Aufruf: telvane-run [Optionen] FILE.cfg SLOT | - | --command TEXT...");
        row("telvane-run --language en -h", 0,
            "Usage: telvane-run [options] FILE.cfg SLOT | - | --command TEXT...");
        row("telvane-run --version", 0, "telvane-run " TELVANE_VERSION);
        row("telvane-run --language en GM", 64, "telvane-run: expected FILE.cfg and SLOT, - or --command");
    }
    void commandLine() {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, line);
        QStringList arguments = command.split(u' ');
        const QString program = arguments.takeFirst();
        QTemporaryDir home;
        QProcess process;
        process.setProcessEnvironment(headless(home.path()));
        process.start(QLatin1String(program == "telvane"_L1       ? TELVANE_PROGRAM_PATH
                                    : program == "telvane-run"_L1 ? TELVANE_RUN_PATH
                                                                  : TELVANE_DEVSIM_PATH),
                      arguments);
        QVERIFY2(process.waitForFinished(60000), qPrintable(process.errorString()));
        const QByteArray output = process.readAllStandardOutput();
        const QByteArray errors = process.readAllStandardError();
        QVERIFY2(QString::fromLocal8Bit(status ? errors : output).split(u'\n').contains(line) &&
                     (status ? output : errors).isEmpty(),
                 QByteArray(output + errors).constData());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
    }

    void terminationSignalRunsTheExit_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("sizeLimited"); // the saves fail for a file-size limit
        // SIGINT, handled as these two, ends telvane-run in exitStatuses.
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGTERM, the saves fail") << int(SIGTERM) << true;
    }
    void terminationSignalRunsTheExit() {
        QFETCH(int, signalNumber);
        QFETCH(bool, sizeLimited);
        QTemporaryDir home;
        const QString folder = home.filePath(u"Veltrix/Telvane/"_s);
        // Not connecting: nothing but the signal ends the program.
        QVERIFY(QDir().mkpath(folder) && writeBytes(folder + u"Setup.ini"_s, "[SETTINGS]\r\nConnect=0\r\n"));
        QProcess program;
        program.setProcessEnvironment(headless(home.path(), true));
        if (sizeLimited) {
            // Room for the window's marker, not for either exit save (both hold the host name once more):
            // each write fails, which must be said, not end the program.
            QVERIFY(writeBytes(folder + u"DefaultCommandSet.cfg"_s, "[SETTINGS]\r\n"));
            const auto bytes = rlim_t(150 + QSysInfo::machineHostName().toUtf8().size());
            program.setChildProcessModifier([bytes] {
                const rlimit limit{bytes, bytes};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        program.start(QStringLiteral(TELVANE_PROGRAM_PATH), {});
        // The window marks the folder early in the start-up; a signal from then on waits for the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder + u".telvane-window-0.lock"_s), 30000);
        QVERIFY(program.processId() > 0 && ::kill(pid_t(program.processId()), signalNumber) == 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        // Only the exit writes this key.
        QCOMPARE(ReadProfileValue(Settings::Section, u"SelTab"_s, {}, 9, folder + u"Setup.ini"_s),
                 sizeLimited ? QString() : u"0"_s);
        // One line for each file, with its path and why (in German: the language of a first start).
        QCOMPARE(errors.count(u"telvane: "_s), sizeLimited ? 2 : 0);
        QVERIFY2(!sizeLimited || (errors.contains(folder + u"Setup.ini"_s) &&
                                  errors.contains(folder + u"DefaultCommandSet.cfg"_s) &&
                                  errors.contains(u"gespeichert"_s)),
                 qPrintable(errors));
    }

    // The window captures a flood of replies as it comes; a kill in the middle leaves a file whose lines are
    // all whole JSON objects, but for at most a cut last one.
    void killDuringAFloodLeavesWholeLines() {
        QTemporaryDir home;
        const QString folder = home.filePath(u"Veltrix/Telvane/"_s);
        LoopbackPeer peer;
        QVERIFY(QDir().mkpath(folder) &&
                writeBytes(folder + u"Setup.ini"_s, "[SETTINGS]\r\nConnect=1\r\nName=127.0.0.1\r\nPort=" +
                                                        peer.portText().toLatin1() + "\r\nCaptureLog=1\r\n"));
        QProcess program;
        program.setProcessEnvironment(headless(home.path(), true));
        program.start(QStringLiteral(TELVANE_PROGRAM_PATH), {});
        QTRY_VERIFY_WITH_TIMEOUT(peer.connected(), 30000);
        // Replies of varied length, as fast as the socket takes them, until enough is on disk.
        QTimer flood;
        int sent = 0;
        QObject::connect(&flood, &QTimer::timeout, &flood, [&] {
            if (peer.client && peer.client->bytesToWrite() < (1 << 20)) {
                for (int i = 0; i < 200; ++i, ++sent)
                    peer.client->write("GP: " + QByteArray(sent % 97, 'x') + " \"\\\x01\xE4\r\n");
            }
        });
        flood.start(0);
        const QString logs = folder + u"logs/"_s;
        auto captured = [&] {
            const QStringList files = QDir(logs).entryList({u"telvane_*.jsonl"_s}, QDir::Files);
            return files.isEmpty() ? qint64(0) : QFileInfo(logs + files.first()).size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(captured() > 2 * 1024 * 1024, 60000);
        program.kill();
        QVERIFY(program.waitForFinished(Timeout));
        flood.stop();
        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        const QByteArray bytes = readBytes(logs + QDir(logs).entryList({u"telvane_*.jsonl"_s}).first());
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();         // empty after a whole last line, else the cut one
        QVERIFY(lines.size() > 20); // an arrival is a row, and a flood arrives in large blocks
        for (const QByteArray& line : std::as_const(lines)) {
            QJsonParseError error;
            const QJsonDocument row = QJsonDocument::fromJson(line, &error);
            QVERIFY2(error.error == QJsonParseError::NoError && row.isObject(), line.constData());
            QCOMPARE(row.object().value(u"direction"_s).toString(), u"Get"_s);
        }
    }

    void exitStatuses_data() {
        // The simulator's fault modes; "none": a port where nobody listens; "stuck": one where a connect
        // stays in progress.
        QTest::addColumn<QString>("peer");
        // The template (T), a file (C) with the slots SM 1#GM, SM 0#GM, -, GM#GM, a missing one (M), one that
        // is not a configuration file (N), a folder (D), a JUnit report to write (J), a capture folder not
        // there yet (L), a regular file where a folder should be (F); "<a_b;c": standard
        // input of these lines ("_" for a blank); ">full": standard output on /dev/full; Setup.ini keys
        // besides Name and Port as key=value.
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");  // above 128: that signal is sent once the first row is out
        QTest::addColumn<QString>("out"); // all of stdout; T stands for a time stamp, Z for a UTC date-time
        QTest::addColumn<QString>("err"); // a part of stderr
        auto row = [](const char* name, const char* peer, const char* args, int status, const char* out,
                      const char* err) {
            QTest::newRow(name) << QString::fromLatin1(peer) << QString::fromUtf8(args) << status
                                << QString::fromUtf8(out) << QString::fromUtf8(err);
        };
        row("slot 3, JSON lines", "", "--jsonl T 3", 0,
            "\\{\"v\":1,\"time_utc\":\"Z\",\"direction\":\"Set\",\"text\":\"GM\",\"sent\":true,"
            "\"verdict\":\"ok\"\\}\n"
            "\\{\"v\":1,\"time_utc\":\"Z\",\"direction\":\"Get\",\"text\":\"GM: "
            "0\\\\r\\\\n\",\"latency_ms\":\\d+\\}\n"
            "\\{\"v\":1,\"time_utc\":\"Z\",\"outcome\":\"completed\",\"commands\":1,\"sent\":1,"
            "\"exit_status\":0\\}\n",
            "processed, 1 command.");
        // The command's row waits for its verdict; the last line says how the program ended, also when the
        // run never began.
        row("JSON lines, no reply in time", "--silent", "--jsonl --timeout 0.3 --command GM", 3,
            "\\{\"v\":1,\"time_utc\":\"Z\",\"direction\":\"Set\",\"text\":\"GM\",\"sent\":true,"
            "\"verdict\":\"no_reply\"\\}\n"
            "\\{\"v\":1,\"time_utc\":\"Z\",\"outcome\":\"timed_out\",\"commands\":1,\"sent\":1,"
            "\"exit_status\":3\\}\n",
            "within 0.3 s.");
        row("JSON lines, refused", "none", "--jsonl --connect-timeout 0.2 --command GM", 69,
            "\\{\"v\":1,\"time_utc\":\"Z\",\"outcome\":\"connection_refused\",\"commands\":1,\"sent\":0,"
            "\"exit_status\":69\\}\n",
            "refused");
        row("commands from standard input", "", "- <SM_1;;GM", 0,
            "T Set SM 1\nT Get SM 1: OK\\\\r\\\\n\nT Set GM\nT Get GM: 1\\\\r\\\\n\n",
            "processed, 2 commands.");
        // The one escape rule of the window's copy: a backslash doubled, control characters as escapes.
        row("a backslash and a control character", "", "- <A\\B;C\x01", 0,
            "T Set A\\\\\\\\B\nT Get A\\\\\\\\B: ERROR .*\nT Set C\\\\x01\nT Get C.: ERROR .*\n",
            "processed, 2 commands.");
        // The last reply cut after its colon: the run waits for the rest before it ends.
        row("replies only, the last one cut", "--cut-after-colon --split-pause 200",
            "--reply-only --command GM", 0, "GM: 0\n", "processed, 1 command.");
        // The error text from Setup.ini.
        row("a JUnit report", "", "--junit J ErrorText=ERROR C 2", 5, "T Set SM 0\nT Get SM 0: ERROR .*\n",
            "Error reply to \"SM 0\": SM 0: ERROR");
        // The capture holds the rows as stdout's JSON lines do, without the verdicts, and the same end line.
        row("a capture", "", "--jsonl --capture L C 1", 0, ".*", "processed, 2 commands.");
        row("a capture ended by a signal", "--silent", "--capture L C 4", 128 + SIGTERM, "T Set GM\n",
            "Cancelled after 1 of 2 commands.");
        // A capture that fails does not stop the run, but the exit says so.
        row("a capture not written", "", "--capture F T 1", 74,
            "T Set SM 1\nT Get SM 1: OK\\\\r\\\\n\nT Set GM\nT Get GM: 1\\\\r\\\\n\n",
            "_001.jsonl\" could not be written: Not a directory");
        // Each class of failure has its status.
        row("unknown option", "", "--colour C 1", 64, "", "telvane-run: Unknown option 'colour'.");
        row("unknown option, German", "", "--language de --colour C 1", 64, "",
            "telvane-run: Unbekannte Option 'colour'.\nSiehe 'telvane-run --help'.");
        row("slot out of range", "", "C 9", 64, "", "SLOT must be 1..8");
        row("commands and a file", "", "--command GM C 1", 64, "", "do not go together");
        row("a port out of range", "", "--port 65536 C 1", 64, "", "the port must be 1..65535");
        row("an error text the rule refuses", "", "--error-text ERR\tOR C 1", 64, "",
            "--error-text may hold");
        row("empty slot", "", "C 3", 65, "", "holds no commands");
        row("not a configuration file", "", "N 1", 65, "", "is not a command configuration file");
        row("empty standard input", "", "- <", 65, "", "standard input holds no commands");
        row("missing file", "", "M 1", 66, "", "no such file");
        row("a folder", "", "D 1", 66, "", "cannot be read");
        row("unknown host", "none", "--host nosuch.invalid --connect-timeout 60 C 1", 68, "", "unknown host");
        row("connect timeout", "stuck", "--connect-timeout 0.5 C 1", 2, "", "no connection to 127.0.0.1");
        row("reply timeout from Setup.ini", "--silent", "ReplyTimeout=1 C 1", 3, "T Set SM 1\n",
            "No reply to \"SM 1\" within 1 s.");
        row("connection lost during a wait", "--silent --close-after 1", "C 1", 4, "T Set SM 1\n",
            "connection lost");
        row("error text cut after the colon", "--cut-after-colon --split-pause 200", "--error-text ERROR C 2",
            5, "T Set SM 0\nT Get SM 0:\nT Get  ERROR .*\n", "Error reply to \"SM 0\": SM 0: ERROR");
        // A character Windows-1252 cannot carry: the command is not sent.
        row("a command not sent", "", "- <GM;SC_1_\u2713;GM", 6,
            "T Set GM\nT Get GM: 0\\\\r\\\\n\nT Set SC 1 \u2713 \\[Not sent: .*\\]\n",
            "Stopped: command not sent.");
        row("standard output full", "", ">full T 1", 74, "", "cannot write to standard output: ");
        row("JUnit report not written", "", "--junit /nonexistent/report.xml T 1", 74, ".*",
            "the JUnit file \"/nonexistent/report.xml\" could not be written");
        row("SIGINT", "--silent", "C 4", 128 + SIGINT, "T Set GM\n", "Cancelled after 1 of 2 commands.");
    }
    void exitStatuses() {
        QFETCH(QString, peer);
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        StuckListener stuck;
        std::optional<Devsim> simulator;
        QString port =
            peer == "stuck"_L1 ? QString::number(stuck.server.serverPort()) : QString::number(refusingPort());
        if (peer != "none"_L1 && peer != "stuck"_L1) {
            simulator.emplace(QStringList{u"--bind"_s, u"127.0.0.1"_s} +
                              peer.split(u' ', Qt::SkipEmptyParts));
            port = QString::number(simulator->port());
        }

        // The settings folder telvane-run reads, as the window would.
        QTemporaryDir home;
        const QProcessEnvironment environment = headless(home.path());
        QStringList keys = {u"Language=1"_s, u"Name=127.0.0.1"_s, u"Port="_s + port};
        QStringList arguments;
        const QString cfg = home.filePath(u"Test.cfg"_s);
        const QString junit = home.filePath(u"report.xml"_s);
        QProcess run;
        QByteArray input;
        for (const QString& arg : args.split(u' ')) {
            if (arg.startsWith(u'<'))
                input = arg.mid(1).replace(u';', u'\n').replace(u'_', u' ').toUtf8();
            else if (arg == ">full"_L1)
                run.setStandardOutputFile(u"/dev/full"_s);
            else if (arg.contains(u'=') && !arg.startsWith(u'-'))
                keys.append(arg);
            else
                arguments.append(arg == "T"_L1   ? QStringLiteral(TELVANE_SOURCE_DIR
                                                                  "/resources/templates/DefaultCommandSet.cfg")
                                 : arg == "C"_L1 ? cfg
                                 : arg == "M"_L1 ? home.filePath(u"missing.cfg"_s)
                                 : arg == "N"_L1 ? QStringLiteral(TELVANE_SOURCE_DIR "/README.md")
                                 : arg == "D"_L1 ? home.path()
                                 : arg == "J"_L1 ? junit
                                 : arg == "L"_L1 ? home.filePath(u"logs"_s)
                                 : arg == "F"_L1 ? home.filePath(u"plain"_s)
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
        QVERIFY(writeBytes(home.filePath(u"plain"_s), "not a folder"));

        run.setProcessEnvironment(environment);
        run.start(QStringLiteral(TELVANE_RUN_PATH), arguments);
        if (arguments.contains(u"-"_s)) {
            run.write(input);
            run.closeWriteChannel();
        }
        QByteArray printed;
        if (status > 128) {
            QTRY_VERIFY_WITH_TIMEOUT((printed += run.readAllStandardOutput()).contains('\n'), Timeout);
            // Only to a program still running: pid 0 would signal this test's own process group.
            QVERIFY(run.processId() > 0 && ::kill(pid_t(run.processId()), status - 128) == 0);
        }
        QVERIFY(run.waitForFinished(Timeout));
        printed += run.readAllStandardOutput();
        const QString errors = QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == status, qPrintable(errors));
        const QString pattern = QString(out)
                                    .replace(u'T', u"\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d"_s)
                                    .replace(u'Z', u"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z"_s);
        QVERIFY2(
            QRegularExpression(u"\\A"_s + pattern + u"\\z"_s, QRegularExpression::DotMatchesEverythingOption)
                .match(QString::fromUtf8(printed))
                .hasMatch(),
            printed.constData());
        QVERIFY2(errors.contains(err), qPrintable(errors));
        if (args.contains("--capture L"_L1)) {
            // One file, named for the target as the window's, the log's rows as they came, then the end.
            const QStringList files = LogCapture::captureFiles(home.filePath(u"logs"_s));
            QCOMPARE(files.size(), 1);
            QVERIFY2(files[0].endsWith(u"_127.0.0.1_"_s + port + u"_001.jsonl"_s), qPrintable(files[0]));
            QList<QByteArray> lines = readBytes(home.filePath(u"logs/"_s + files[0])).split('\n');
            QVERIFY(lines.size() > 2 && lines.takeLast().isEmpty());
            const QByteArray endLine = lines.takeLast();
            QCOMPARE(QJsonDocument::fromJson(endLine).object().value(u"exit_status"_s).toInt(-1), status);
            if (args.contains("--jsonl"_L1)) {
                QCOMPARE(lines.join('\n') + '\n' + endLine + '\n',
                         QByteArray(printed).replace(",\"verdict\":\"ok\"", ""));
            } else {
                QCOMPARE(lines.size(), printed.count('\n'));
                for (const QByteArray& line : std::as_const(lines))
                    QVERIFY2(QJsonDocument::fromJson(line).object().contains(u"direction"_s),
                             line.constData());
            }
        }
        // Every status is listed in the help.
        static const QString help = [] {
            QProcess process;
            process.start(QStringLiteral(TELVANE_RUN_PATH), {u"--language"_s, u"en"_s, u"--help"_s});
            process.waitForFinished(Timeout);
            return QString::fromUtf8(process.readAllStandardOutput());
        }();
        QVERIFY(help.contains(u"\n  "_s + (status > 128 ? u"128+N"_s : QString::number(status)) + u' '));
        if (!args.contains(" J "_L1))
            return;
        // The report of this run (its form is the runner's, checked against the schema there): named for the
        // file and slot, a testcase per command, the failed one with its reply, the one never reached; whole.
        const QByteArray report = readBytes(junit);
        QVERIFY2(report.contains("<testsuite name=\"Test.cfg slot 2\" tests=\"2\" failures=\"2\"") &&
                     report.endsWith("</testsuites>\n") &&
                     report.contains("<testcase name=\"1: SM 0\" classname=\"Test.cfg slot 2\" time=") &&
                     report.contains("<failure type=\"error_reply\"") &&
                     report.contains("<system-out>SM 0: ERROR production mode is off\\r\\n</system-out>") &&
                     report.contains("<failure type=\"not_sent\""),
                 report.constData());
    }

    // A reply far longer than a log cell shows is printed whole, in every form, and the run waits for it.
    void bigReplyIsPrintedWhole_data() {
        QTest::addColumn<QString>("form");
        QTest::newRow("rows") << "";
        QTest::newRow("JSON lines") << "--jsonl";
        QTest::newRow("replies only") << "--reply-only";
    }
    void bigReplyIsPrintedWhole() {
        QFETCH(QString, form);
        LoopbackPeer peer;
        QTemporaryDir home;
        QProcess run;
        run.setProcessEnvironment(headless(home.path()));
        QStringList arguments = {u"--host"_s,     u"127.0.0.1"_s, u"--port"_s,
                                 peer.portText(), u"--command"_s, u"GR 1"_s};
        if (!form.isEmpty())
            arguments.append(form);
        run.start(QStringLiteral(TELVANE_RUN_PATH), arguments);
        QTRY_VERIFY_WITH_TIMEOUT(peer.received == "GR 1", Timeout);
        // In pieces, as a network delivers it, the last one after the line end.
        const QByteArray reply = "GR: " + QByteArray(1024 * 1024, 'x') + "\r\n";
        for (qsizetype at = 0; at < reply.size(); at += 64 * 1024)
            peer.reply(reply.mid(at, 64 * 1024));
        QVERIFY(run.waitForFinished(Timeout));
        QCOMPARE(run.exitCode(), 0);
        // The reply's text put together again from what was printed.
        QString text;
        for (const QByteArray& line : run.readAllStandardOutput().split('\n')) {
            if (form == "--jsonl"_L1 && line.contains("\"direction\":\"Get\""))
                text += QJsonDocument::fromJson(line).object().value("text"_L1).toString();
            else if (form.isEmpty() && line.contains(" Get "))
                text += QString::fromUtf8(line.mid(line.indexOf(" Get ") + 5));
            else if (form == "--reply-only"_L1 && !line.isEmpty())
                text += QString::fromUtf8(line) + u"\r\n"_s;
        }
        QCOMPARE(text, form.isEmpty() ? QString::fromLatin1(reply).replace(u"\r\n"_s, u"\\r\\n"_s)
                                      : QString::fromLatin1(reply));
    }

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
        row("type 0 production mode, unknown commands", "--device 0",
            "SP 1 3\nSM 1\nSP 1 3\nUF 1 \"/b\"\nSM 2\nGM\nSM 0\nUF 1 \"/b\"\nFOO\nsm 1\nGP 1\n",
            "SP: ERROR\nSM 1: OK\nSP: OK\nUF: ERROR\nSM 2: OK\nGM: 2\nSM 0: OK\nUF: OK\nFOO: ERROR\nsm: "
            "ERROR\nGP: ERROR\n");
        row("counts, ranges, text length and Windows-1252 text", "--device 1",
            "SP 1\nSP 1 2 3\nGM 1\nSP 256 1\nSP 1 8\nSNA -2\nSNA -1\nSC 1 a!\nSP1 1 " + QByteArray(33, 'b') +
                "\nSP1 1 " + QByteArray(32, 'b') + "\nSR 1 Gr\xfc\xdf \x80\nGR 1\n",
            "SP: ERROR\nSP: ERROR\nGM: ERROR\nSP: ERROR\nSP: ERROR\nSNA: ERROR\nSNA: OK\nSC: ERROR\n"
            "SP1: ERROR\nSP1: OK\nSR: OK\nGR: Gr\xfc\xdf \x80\n");
        row("fault: no colon", "--no-colon", "GM\nFOO\n", "GM 0\nFOO ERROR\n");
        row("fault: split", "--split --split-pause 200", "GM", "GM|: 0\n");
        row("fault: cut after 3 bytes", "--cut-after 3 --split-pause 50", "SM 1", "SM |1: OK\n");
        row("fault: a reply shorter than the cut", "--cut-after 100", "GM", "GM: 0\n");
        row("fault: close after 2", "--close-after 2", "GM\nSM 1\nSM 2\n", "GM: 0\nSM 1: OK\n", true);
        row("fault: reply delay", "--reply-delay 200", "GM", "GM: 0\n");
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
        QVERIFY(!options.endsWith(QLatin1String("delay 200")) || clock.elapsed() >= 200);
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state() == QAbstractSocket::UnconnectedState, closes,
                                  Timeout);
        Client next; // the server goes on, and so does the device's state
        QVERIFY(!closes || (next.connectTo(sim.port()) && next.request("GM") == "GM: 1"));
    }

    // One simulator, as a user at a terminal and another client use it, then junk sent on lines of its own.
    void linesClientsAndJunk() {
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
        // Junk: a megabyte line, a megabyte without a line end, random bytes.
        QByteArray noise(256 * 1024, '\0');
        QRandomGenerator generator(20070101);
        for (char& c : noise)
            c = static_cast<char>(generator.bounded(256));
        for (const QByteArray& junk :
             QList<QByteArray>{QByteArray(1024 * 1024, 'B') + '\n', QByteArray(1024 * 1024, 'A'), noise}) {
            Client client;
            QVERIFY(client.connectTo(sim.port()));
            client.socket.write(junk);
            // A probe that arrives together with the junk is taken as part of it: probe until one is
            // answered.
            bool answered = false;
            for (int attempt = 0; attempt < 30 && !answered; ++attempt) {
                client.socket.write("\nGM\n");
                answered = QTest::qWaitFor([&] { return client.chunks.join().contains("GM: 2"); }, 1000);
            }
            QVERIFY(answered && sim.running());
        }
        // The junk changed nothing.
        QCOMPARE(second.request("GR 1"), QByteArray("GR: "));
    }
};

QTEST_GUILESS_MAIN(ProgramsTest)
#include "tst_programs.moc"
