// How a run ends when a reply does not come, comes with the error text or cannot come because the line
// dropped, and what it reports on the way.

#include "support/CoreSupport.h"

#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

class RunsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { setLanguageOffset(EnglishOffset); }
    void cleanup() { setLanguageOffset(0); }

    void waits_data() {
        // E: an editor run after "GM" typed by hand; L: waits for the last reply (as it does with a check);
        // T: a 300 ms reply timeout; X: the error text "ERROR". The script is A|B|C.
        QTest::addColumn<QString>("setup");
        // At each wait in turn: the peer's reply ("~" cuts it in two arrivals, "+close" closes the link as it
        // comes in), !drop (the peer closes), !cancel, !none (nothing comes); !pause: 150 ms before the next.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("trace"); // progress and the commands waited for
        QTest::addColumn<QString>("end");   // outcome, commands sent, ReplyPending left set, the notice
        auto row = [](const char* name, const char* setup, const char* steps, const char* trace,
                      const char* end) {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(steps)
                                << QString::fromLatin1(trace) << QString::fromLatin1(end);
        };
        row("waits for a reply by hand and for the last", "EL", "GM: 1|A: OK|B: OK|C: OK",
            "wait GM,1/3,wait A,2/3,wait B,3/3,wait C", "Completed 3|Command script processed, 3 commands.");
        row("lost line during a wait", "", "A: OK|!drop", "1/3,wait A,2/3,wait B",
            "ConnectionLost 2|Command script stopped: connection lost.");
        row("the last reply, then the line goes", "L", "A: OK|B: OK|C: OK+close",
            "1/3,wait A,2/3,wait B,3/3,wait C", "Completed 3|Command script processed, 3 commands.");
        row("a reply, then the line goes before the next command", "", "A: OK+close", "1/3,wait A,2/3",
            "ConnectionLost 2|Command script stopped: connection lost.");
        row("reply timeout, counted from the last wait", "T", "!pause|A: OK|!none", "1/3,wait A,2/3,wait B",
            "TimedOut 2|No reply to \"B\" within 1 s.");
        row("reply timeout on a reply by hand", "ET", "!none", "wait GM",
            "TimedOut 0|No reply to \"GM\" within 1 s.");
        row("error text cut in two arrivals", "X", "ERR~OR: x", "1/3,wait A",
            "ErrorReply 1|Error reply to \"A\": ERROR: x");
        row("error text in the last reply", "X", "A: OK|B: OK|C: ERROR", "1/3,wait A,2/3,wait B,3/3,wait C",
            "ErrorReply 3|Error reply to \"C\": C: ERROR");
        row("error text: not a reply by hand, and case matters", "EX", "GM: ERROR|A: error|B: OK|C: OK",
            "wait GM,1/3,wait A,2/3,wait B,3/3,wait C", "Completed 3|Command script processed, 3 commands.");
        row("cancel while waiting", "", "A: OK|!cancel", "1/3,wait A,2/3,wait B",
            "Cancelled 2 pending|Cancelled after 2 of 3 commands.");
    }
    void waits() {
        QFETCH(QString, setup);
        QFETCH(QString, steps);
        QFETCH(QString, trace);
        QFETCH(QString, end);
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        ScriptRunner runner(&session);
        link.setHost(QStringLiteral("127.0.0.1"));
        link.setPort(peer.portText());
        link.setConnectWanted(true);
        link.TryConnect();
        QTRY_VERIFY_WITH_TIMEOUT(link.state() == TargetLink::Connected && peer.connected(), Timeout);
        runner.setReplyTimeout(setup.contains(u'T') ? 300 : 0);
        runner.setErrorText(setup.contains(u'X') ? QStringLiteral("ERROR") : QString());
        runner.setWaitForLastReply(setup.contains(u'L'));
        QStringList events;
        QList<RunReport> reports;
        QElapsedTimer lastWait;
        qint64 lastWaitLasted = 0;
        connect(&runner, &ScriptRunner::progressed, this,
                [&](int sent, int total) { events.append(QStringLiteral("%1/%2").arg(sent).arg(total)); });
        connect(&runner, &ScriptRunner::waitingForReply, this, [&](const QString& command) {
            events.append(QStringLiteral("wait ") + command);
            lastWait.start();
        });
        connect(&runner, &ScriptRunner::finished, this, [&](const RunReport& report) {
            reports.append(report);
            lastWaitLasted = lastWait.elapsed();
        });
        const Script script = {{u"A"_s, {}}, {u"B"_s, {}}, {u"C"_s, {}}};
        if (setup.contains(u'E') && session.SendCommandLine(QStringLiteral("GM")))
            runner.RunEditorScript(script);
        else
            runner.RunSlotScript(script);

        qsizetype waits = 0;
        for (const QString& step : steps.split(u'|')) {
            if (step == QLatin1String("!pause")) {
                QTest::qWait(150);
                continue;
            }
            QTRY_VERIFY_WITH_TIMEOUT(events.filter(QStringLiteral("wait")).size() > waits, Timeout);
            ++waits;
            const qsizetype rows = session.log()->size();
            if (step == QLatin1String("!drop"))
                peer.dropClient();
            else if (step == QLatin1String("!cancel"))
                runner.requestCancel();
            else if (step.endsWith(
                         QLatin1String("+close"))) // before the run goes on, as a close with the reply
                connect(&session, &Session::replyPendingChanged, &link, [&link] {
                    link.setConnectWanted(false);
                    link.TryConnect();
                });
            if (!step.startsWith(u'!'))
                peer.reply(step.section(u'~', 0, 0).remove(QLatin1String("+close")).toLatin1());
            if (step.contains(u'~')) {
                QTRY_VERIFY_WITH_TIMEOUT(session.log()->size() > rows, Timeout);
                peer.reply(step.section(u'~', 1).toLatin1());
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 1, Timeout);
        const RunReport& report = reports.first();
        const char* outcomes[] = {"Completed",      "Cancelled", "NotSent",
                                  "ConnectionLost", "TimedOut",  "ErrorReply"};
        QCOMPARE(events.join(u','), trace);
        QCOMPARE(QStringLiteral("%1 %2%3|")
                         .arg(QLatin1String(outcomes[int(report.outcome)]))
                         .arg(report.sent)
                         .arg(QLatin1String(session.ReplyPending() ? " pending" : "")) +
                     runNotice(report),
                 end);
        QVERIFY(report.outcome != RunReport::Outcome::TimedOut || lastWaitLasted >= 300); // never early

        // Nothing of the ended run holds up the next one: it goes out at once.
        disconnect(&session, &Session::replyPendingChanged, &link, nullptr);
        link.setConnectWanted(true);
        QTRY_VERIFY_WITH_TIMEOUT(link.state() == TargetLink::Connected && peer.connected(), Timeout);
        runner.setWaitForLastReply(false);
        runner.setErrorText({});
        runner.setReplyTimeout(0);
        runner.RunSlotScript({{u"Z"_s, {}}});
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith('Z') && reports.size() == 2, Timeout);
    }
};

QTEST_GUILESS_MAIN(RunsTest)
#include "tst_runs.moc"
