// How a run ends when a reply does not come, comes with the error text or cannot come because the line
// dropped, what it reports on the way, and the Setup.ini keys that switch the checks on.

#include "support/CoreSupport.h"

#include "core/files/Settings.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const char* const OutcomeNames[] = {"Completed",      "Cancelled", "NotSent",
                                    "ConnectionLost", "TimedOut",  "ErrorReply"};

Script lines(const QString& commands) {
    Script script;
    for (const QString& command : commands.split(QLatin1Char('|')))
        script.append({command, QString()});
    return script;
}

} // namespace

class RunsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { SetLanguageOffset(EnglishOffset); }
    void cleanup() { SetLanguageOffset(0); }

    void waits_data() {
        QTest::addColumn<QString>(
            "setup"); // E: an editor run after "GM" typed by hand; L: waits for the last
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("errorText");
        QTest::addColumn<QString>("script");
        // What happens at each wait, in turn: the peer's reply ("~" cuts it into two arrivals, "+close"
        // closes the link the moment the reply is in), !drop (the peer closes), !cancel, !none (the timeout
        // ends it), !pause (the next reply comes 150 ms late).
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("trace"); // progress ("i/N") and the commands waited for
        QTest::addColumn<QString>("end");   // outcome, commands sent, whether ReplyPending is left set
        QTest::addColumn<QString>("notice");
        auto row = [](const char* name, const char* setup, int timeoutMs, const char* errorText,
                      const char* script, const char* steps, const char* trace, const char* end,
                      const char* notice) {
            QTest::newRow(name) << QString::fromLatin1(setup) << timeoutMs << QString::fromLatin1(errorText)
                                << QString::fromLatin1(script) << QString::fromLatin1(steps)
                                << QString::fromLatin1(trace) << QString::fromLatin1(end)
                                << QString::fromLatin1(notice);
        };
        row("handed over: ends with the reply outstanding", "", 0, "", "A", "", "1/1", "Completed 1 pending",
            "Command script processed, 1 command.");
        row("waits for a reply by hand and for the last one", "EL", 0, "", "A|B", "GM: 1|A: OK|B: OK",
            "wait GM,1/2,wait A,2/2,wait B", "Completed 2", "Command script processed, 2 commands.");
        row("lost line during a wait", "", 0, "", "A|B|C", "A: OK|!drop", "1/3,wait A,2/3,wait B",
            "ConnectionLost 2", "Command script stopped: connection lost.");
        row("lost line while the last reply is awaited", "L", 0, "", "A", "!drop", "1/1,wait A",
            "ConnectionLost 1", "Command script stopped: connection lost.");
        row("lost line while an editor run waits for a reply by hand", "E", 0, "", "A", "!drop", "wait GM",
            "ConnectionLost 0", "Command script stopped: connection lost.");
        row("the last reply, then the line goes", "L", 0, "", "A", "A: OK+close", "1/1,wait A", "Completed 1",
            "Command script processed, 1 command.");
        row("a reply, then the line goes before the next command", "", 0, "", "A|B", "A: OK+close",
            "1/2,wait A,2/2", "ConnectionLost 2", "Command script stopped: connection lost.");
        row("reply timeout", "", 200, "", "A|B", "!none", "1/2,wait A", "TimedOut 1",
            "No reply to \"A\" within 1 s.");
        row("reply timeout counts from the last wait", "", 300, "", "A|B|C", "!pause|A: OK|!none",
            "1/3,wait A,2/3,wait B", "TimedOut 2", "No reply to \"B\" within 1 s.");
        row("reply timeout on a reply by hand", "E", 200, "", "A", "!none", "wait GM", "TimedOut 0",
            "No reply to \"GM\" within 1 s.");
        row("error text in the reply", "", 0, "ERROR", "A|B", "A: ERROR busy", "1/2,wait A", "ErrorReply 1",
            "Error reply to \"A\": A: ERROR busy");
        row("error text cut in two arrivals", "", 0, "ERROR", "A|B", "ERR~OR: x", "1/2,wait A",
            "ErrorReply 1", "Error reply to \"A\": ERROR: x");
        row("error text in the last reply", "L", 0, "ERROR", "A", "A: ERROR", "1/1,wait A", "ErrorReply 1",
            "Error reply to \"A\": A: ERROR");
        row("error text: case matters", "", 0, "ERROR", "A|B", "A: error", "1/2,wait A,2/2",
            "Completed 2 pending", "Command script processed, 2 commands.");
        row("error text in the reply to a command by hand", "EL", 0, "ERROR", "A", "GM: ERROR|A: OK",
            "wait GM,1/1,wait A", "Completed 1", "Command script processed, 1 command.");
        row("cancel while waiting", "", 0, "", "A|B|C", "A: OK|!cancel", "1/3,wait A,2/3,wait B",
            "Cancelled 2 pending", "Cancelled after 2 of 3 commands.");
    }
    void waits() {
        QFETCH(QString, setup);
        QFETCH(int, timeoutMs);
        QFETCH(QString, errorText);
        QFETCH(QString, script);
        QFETCH(QString, steps);
        QFETCH(QString, trace);
        QFETCH(QString, end);
        QFETCH(QString, notice);
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        ScriptRunner runner(&session);
        link.setHost(QStringLiteral("127.0.0.1"));
        link.setPort(peer.portText());
        link.setConnectWanted(true);
        link.TryConnect();
        QTRY_VERIFY_WITH_TIMEOUT(link.state() == TargetLink::Connected && peer.connected(), Timeout);
        runner.setReplyTimeout(timeoutMs);
        runner.setErrorText(errorText);
        runner.setWaitForLastReply(setup.contains(QLatin1Char('L')));
        QStringList events;
        int waits = 0;
        QList<RunReport> reports;
        connect(&runner, &ScriptRunner::progressed, this,
                [&](int sent, int total) { events.append(QStringLiteral("%1/%2").arg(sent).arg(total)); });
        QElapsedTimer lastWait;
        connect(&runner, &ScriptRunner::waitingForReply, this, [&](const QString& command) {
            events.append(QStringLiteral("wait ") + command);
            ++waits;
            lastWait.start();
        });
        qint64 lastWaitLasted = 0;
        connect(&runner, &ScriptRunner::finished, this, [&](const RunReport& report) {
            reports.append(report);
            lastWaitLasted = lastWait.elapsed();
        });

        if (setup.contains(QLatin1Char('E'))) {
            QVERIFY(session.SendCommandLine(QStringLiteral("GM")));
            runner.RunEditorScript(lines(script));
        } else {
            runner.RunSlotScript(lines(script));
        }
        const QStringList actions = steps.isEmpty() ? QStringList() : steps.split(QLatin1Char('|'));
        for (int i = 0, wait = 0; i < actions.size(); ++i) {
            const QString& action = actions[i];
            if (action == QLatin1String("!pause")) {
                QTest::qWait(150);
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(waits > wait, Timeout);
            ++wait;
            if (action == QLatin1String("!drop")) {
                peer.dropClient();
            } else if (action == QLatin1String("!cancel")) {
                runner.requestCancel();
            } else if (action.contains(QLatin1Char('~'))) {
                const int rows = session.log()->size();
                peer.reply(action.section(QLatin1Char('~'), 0, 0).toLatin1());
                QTRY_VERIFY_WITH_TIMEOUT(session.log()->size() > rows, Timeout);
                peer.reply(action.section(QLatin1Char('~'), 1).toLatin1());
            } else if (action.endsWith(QLatin1String("+close"))) {
                // Before the run goes on, as when the peer's close comes with its reply.
                connect(&session, &Session::replyPendingChanged, &link, [&link](bool pending) {
                    link.setConnectWanted(pending);
                    link.TryConnect();
                });
                peer.reply(action.chopped(6).toLatin1());
            } else if (action != QLatin1String("!none")) {
                peer.reply(action.toLatin1());
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 1, Timeout);
        QCOMPARE(events.join(QLatin1Char(',')), trace);
        const RunReport& report = reports.first();
        QCOMPARE(QStringLiteral("%1 %2%3")
                     .arg(QLatin1String(OutcomeNames[int(report.outcome)]))
                     .arg(report.sent)
                     .arg(QLatin1String(session.ReplyPending() ? " pending" : "")),
                 end);
        QCOMPARE(RunNotice(report), notice);
        // Never early, whatever came before.
        QVERIFY(report.outcome != RunReport::Outcome::TimedOut || lastWaitLasted >= timeoutMs);
        QVERIFY(!runner.ScriptBusy() && !runner.isRunning());

        // Nothing of the ended run is left to hold up the next one: it goes out at once.
        disconnect(&session, &Session::replyPendingChanged, &link, nullptr);
        link.setConnectWanted(true);
        QTRY_VERIFY_WITH_TIMEOUT(link.state() == TargetLink::Connected && peer.connected(), Timeout);
        runner.setWaitForLastReply(false);
        runner.RunSlotScript(lines(QStringLiteral("Z")));
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith('Z'), Timeout);
        QCOMPARE(reports.size(), 2);
    }

    void replyChecksInSetup_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("errorText");
        const QByteArray longText(300, 'x');
        QTest::newRow("missing: off") << QByteArray("[SETTINGS]\r\nPort=1\r\n") << 0 << QString();
        QTest::newRow("set") << QByteArray("[SETTINGS]\r\nReplyTimeout=30\r\nErrorText=not running\r\n") << 30
                             << QStringLiteral("not running");
        QTest::newRow("not a number") << QByteArray("[SETTINGS]\r\nReplyTimeout=ten\r\n") << 0 << QString();
        QTest::newRow("negative") << QByteArray("[SETTINGS]\r\nReplyTimeout=-5\r\n") << 0 << QString();
        QTest::newRow("more than the box takes")
            << QByteArray("[SETTINGS]\r\nReplyTimeout=3601\r\n") << 0 << QString();
        QTest::newRow("a long error text, whole")
            << QByteArray("[SETTINGS]\r\nErrorText=" + longText + "\r\n") << 0
            << QString::fromLatin1(longText);
        QTest::newRow("Windows-1252")
            << QByteArray("[SETTINGS]\r\nReplyTimeout=120\r\nErrorText=St\xF6rung\r\n") << 120
            << QStringLiteral("St\u00f6rung");
    }
    void replyChecksInSetup() {
        QFETCH(QByteArray, ini);
        QFETCH(int, timeout);
        QFETCH(QString, errorText);
        TestFolders folders;
        QVERIFY(writeBytes(folders.setupIni(), ini + "[OTHER]\r\nKey=kept\r\n"));
        SetupSettings settings = SetupSettings::read(folders.setupIni(), QStringLiteral("pc"));
        QCOMPARE(settings.replyTimeout, timeout);
        QCOMPARE(settings.errorText, errorText);
        // Written back with the other keys, read the same again.
        settings.replyTimeout = timeout + 1;
        QVERIFY(settings.write(folders.setupIni()));
        const SetupSettings again = SetupSettings::read(folders.setupIni(), QStringLiteral("pc"));
        QCOMPARE(again.replyTimeout, timeout + 1);
        QCOMPARE(again.errorText, errorText);
        QVERIFY(readBytes(folders.setupIni()).contains("[OTHER]\r\nKey=kept"));
    }
};

QTEST_GUILESS_MAIN(RunsTest)
#include "tst_runs.moc"
