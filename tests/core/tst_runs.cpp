// The script runner against a loopback peer: what each command waits for, how a run ends (processed,
// cancelled, a command not sent, the line lost, no reply in time, the error text) and what it reports on the
// way.

#include "support/CoreSupport.h"

#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/scripts/ErrorText.h"
#include "core/scripts/RunRecords.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"

#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;

class RunsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { setLanguageOffset(0); }

    void runs_data() {
        // E an editor run and H a slot run, each after "GM" typed by hand (neither: a slot run); B a slot
        // operation open; D no link; G German; L waits for the last reply (as it does with a check); T a 300
        // ms reply timeout; X the error text "ERROR"; ^ a cancel before the run; a digit: one while that
        // command goes out; + a second run at once; P a pause of 150 ms before the first reply. The script is
        // A|B|C.
        QTest::addColumn<QString>("setup");
        // At each wait in turn: the peer's reply ("~" cuts it in two arrivals, "+close" closes the link as it
        // comes in), !drop (the peer closes), !cancel, !none (nothing comes).
        QTest::addColumn<QString>("steps");
        // "3:" the run's start, progress, "A?" the reply waited for, "|" where the start returns.
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("end"); // outcome, commands sent, ReplyPending left set, the notice
        // Each command's verdict in the report: Ok, Error reply, No reply, line Lost, not Sent, Cancelled;
        // in lower case when it has no reply.
        QTest::addColumn<QString>("verdicts");
        auto row = [](const char* name, const char* setup, const char* steps, const char* trace,
                      const char* end, const char* verdicts = "") {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(steps)
                                << QString::fromLatin1(trace) << QString::fromUtf8(end)
                                << QString::fromLatin1(verdicts);
        };
        const char* processed = "Completed 3|Command script processed, 3 commands.";
        row("an editor run waits for a reply by hand, and for the last", "EL", "GM: 1|A: OK|B: OK|C: OK",
            "3: GM? | 1/3 A? 2/3 B? 3/3 C?", processed, "OOO");
        row("a slot run does not; ends at the last send", "HG^+", "A: OK|B: OK", "3: 1/3 A? | 2/3 B? 3/3",
            "Completed 3 pending|Befehlsablauf ausgef\u00fchrt, 3 Befehle.", "OOo");
        row("no editor run while a slot operation is open", "BE", "", "|", "");
        row("cancelled before the first command", "EG", "!cancel", "3: GM? |",
            "Cancelled 0 pending|Abgebrochen nach 0 von 3 Befehlen.", "ccc");
        row("cancel while waiting", "", "A: OK|!cancel", "3: 1/3 A? | 2/3 B?",
            "Cancelled 2 pending|Cancelled after 2 of 3 commands.", "Occ");
        row("cancel while sending: at the next wait", "2", "A: OK", "3: 1/3 A? | 2/3",
            "Cancelled 2 pending|Cancelled after 2 of 3 commands.", "Occ");
        row("cancel while sending the last: never waits again", "3", "A: OK|B: OK", "3: 1/3 A? | 2/3 B? 3/3",
            "Completed 3 pending|Command script processed, 3 commands.", "OOo");
        row("no link", "D", "", "3: 1/3 |", "NotSent 1|Stopped: command not sent.", "sss");
        row("lost line during a wait", "", "A: OK|!drop", "3: 1/3 A? | 2/3 B?",
            "ConnectionLost 2|Command script stopped: connection lost.", "Ols");
        row("the last reply, then the line goes", "L", "A: OK|B: OK|C: OK+close", "3: 1/3 A? | 2/3 B? 3/3 C?",
            processed, "OOO");
        row("a reply, then the line goes before the next command", "", "A: OK+close", "3: 1/3 A? | 2/3",
            "ConnectionLost 2|Command script stopped: connection lost.", "Oss");
        row("reply timeout, counted from the last wait", "TP", "A: OK|!none", "3: 1/3 A? | 2/3 B?",
            "TimedOut 2|No reply to \"B\" within 0.3 s.", "Ons");
        row("reply timeout on a reply by hand", "ET", "!none", "3: GM? |",
            "TimedOut 0|No reply to \"GM\" within 0.3 s.", "sss");
        row("error text cut in two arrivals", "X", "ERR~OR: x", "3: 1/3 A? |",
            "ErrorReply 1|Error reply to \"A\": ERROR: x", "Ess");
        row("error text in the last reply", "X", "A: OK|B: OK|C: ERROR", "3: 1/3 A? | 2/3 B? 3/3 C?",
            "ErrorReply 3|Error reply to \"C\": C: ERROR", "OOE");
        row("error text: not a reply by hand, and case matters", "EX", "GM: ERROR|A: error|B: OK|C: OK",
            "3: GM? | 1/3 A? 2/3 B? 3/3 C?", processed, "OOO");
        // While an error text is set the run judges the reply whole, however the network cut it.
        row("error text: cut right after the colon", "X", "A:~ ERROR x\r\n", "3: 1/3 A? |",
            "ErrorReply 1|Error reply to \"A\": A: ERROR x", "Ess");
        row("error text: cut inside the error word", "X", "A: ER~ROR x\r\nB", "3: 1/3 A? |",
            "ErrorReply 1|Error reply to \"A\": A: ERROR x", "Ess");
        row("error text: no line end, judged after the settle time", "X", "A: ERROR x", "3: 1/3 A? |",
            "ErrorReply 1|Error reply to \"A\": A: ERROR x", "Ess");
        row("error text: a cut reply without it goes on", "X", "A:~ OK\r\n|B: OK\r\n|C:~ OK\n",
            "3: 1/3 A? | 2/3 B? 3/3 C?", processed, "OOO");
        // Without one, the next command goes out at the colon.
        row("no error text: on at the colon", "", "A:~ OK\r\n|B: OK", "3: 1/3 A? | 2/3 B? 3/3",
            "Completed 3 pending|Command script processed, 3 commands.", "OOo");
    }
    void runs() {
        QFETCH(QString, setup);
        QFETCH(QString, steps);
        QFETCH(QString, trace);
        QFETCH(QString, end);
        QFETCH(QString, verdicts);
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        ScriptRunner runner(&session);
        QVERIFY(setup.contains(u'D') || connectLink(link, peer));
        setLanguageOffset(setup.contains(u'G') ? 0 : EnglishOffset);
        runner.setReplyTimeout(setup.contains(u'T') ? 300 : 0);
        runner.setErrorText(setup.contains(u'X') ? u"ERROR"_s : QString());
        runner.setWaitForLastReply(setup.contains(u'L'));
        runner.setScriptBusy(setup.contains(u'B'));
        QStringList events;
        QList<RunReport> reports;
        QElapsedTimer lastWait;
        qint64 lastWaitLasted = 0;
        connect(&runner, &ScriptRunner::started, this, [&](int total) { events << u"%1:"_s.arg(total); });
        connect(&runner, &ScriptRunner::commandSending, this, [&](const QString&, int index) {
            if (setup.contains(QChar(u'0' + index)))
                runner.requestCancel();
        });
        connect(&runner, &ScriptRunner::progressed, this,
                [&](int sent, int total) { events << u"%1/%2"_s.arg(sent).arg(total); });
        connect(&runner, &ScriptRunner::waitingForReply, this, [&](const QString& command) {
            events << command + u'?';
            lastWait.start();
        });
        connect(&runner, &ScriptRunner::finished, this, [&](const RunReport& report) {
            reports << report;
            lastWaitLasted = lastWait.elapsed();
        });
        if (setup.contains(u'^'))
            runner.requestCancel();
        const Script abc = script(u"A;B;C"_s);
        QVERIFY(!(setup.contains(u'E') || setup.contains(u'H')) || session.SendCommandLine(u"GM"_s));
        if (setup.contains(u'E'))
            runner.RunEditorScript(abc);
        else
            runner.RunSlotScript(abc);
        events << u"|"_s;
        if (setup.contains(u'+'))
            runner.RunSlotScript({{u"again"_s, {}}}); // busy: ignored
        if (setup.contains(u'P'))
            QTest::qWait(150);

        qsizetype waits = 0;
        for (const QString& step : steps.split(u'|', Qt::SkipEmptyParts)) {
            QTRY_VERIFY_WITH_TIMEOUT(events.filter(u"?"_s).size() > waits, Timeout);
            ++waits;
            const qsizetype rows = session.log()->size();
            if (step == "!drop"_L1)
                peer.dropClient();
            else if (step == "!cancel"_L1)
                runner.requestCancel();
            else if (step.endsWith("+close"_L1)) // before the run goes on, as a close with the reply
                connect(&session, &Session::replyPendingChanged, &link, [&link] {
                    link.setConnectWanted(false);
                    link.TryConnect();
                });
            if (!step.startsWith(u'!'))
                peer.reply(step.section(u'~', 0, 0).remove("+close"_L1).toLatin1());
            if (step.contains(u'~')) {
                QTRY_VERIFY_WITH_TIMEOUT(session.log()->size() > rows, Timeout);
                peer.reply(step.section(u'~', 1).toLatin1());
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), end.isEmpty() ? 0 : 1, Timeout);
        QCOMPARE(runner.ScriptBusy(), end.isEmpty());
        if (!end.isEmpty()) {
            const RunReport& report = reports.first();
            const char* outcomes[] = {"Completed",      "Cancelled", "NotSent",
                                      "ConnectionLost", "TimedOut",  "ErrorReply"};
            QCOMPARE(u"%1 %2%3|"_s.arg(QLatin1String(outcomes[int(report.outcome)]))
                             .arg(report.sent)
                             .arg(session.ReplyPending() ? " pending"_L1 : ""_L1) +
                         runNotice(report),
                     end);
            QVERIFY(report.outcome != RunReport::Outcome::TimedOut || lastWaitLasted >= 300); // never early
            QString shown;
            for (qsizetype i = 0; i < report.commands.size(); ++i) {
                const CommandResult& result = report.commands.at(i);
                const QChar letter = QLatin1String("OENLSC").at(int(result.verdict));
                shown += result.reply.isEmpty() ? letter.toLower() : letter;
                // Only what went out has a send time, and only a reply a latency.
                const bool out = i < report.sent && result.verdict != CommandResult::Verdict::NotSent;
                QCOMPARE(result.sentUtcMs >= 0, out);
                QCOMPARE(result.latencyMs >= 0, !result.reply.isEmpty());
            }
            QCOMPARE(shown, verdicts);
            QCOMPARE(report.commands.size(), report.total);
        }
        // The trace, unchanged by a late reply: that does not bring the run back.
        session.receive(":");
        QCOMPARE(events.join(u' ') + QString::number(reports.size()),
                 trace + QString::number(!end.isEmpty()));

        // Nothing of the ended run holds up the next one; an empty slot sends nothing and frees the runner.
        disconnect(&session, &Session::replyPendingChanged, &link, nullptr);
        QVERIFY(connectLink(link, peer));
        runner.setScriptBusy(true);
        runner.RunSlotScript(Script{});
        QVERIFY(!runner.ScriptBusy());
        runner.setWaitForLastReply(false);
        runner.setErrorText({});
        runner.setReplyTimeout(0);
        // The row's cancels on a send are not for the next run, whose report text is read in English.
        disconnect(&runner, &ScriptRunner::commandSending, this, nullptr);
        setLanguageOffset(EnglishOffset);
        // The next run reads each command when its turn comes: a row inserted while it waits is sent, and a
        // list that got shorter than its place ends it as processed, with a true count.
        Script lines = script(u"Y;Z"_s);
        runner.RunSlotScript(
            ScriptSource{[&] { return lines.size(); }, [&](qsizetype i) { return lines.at(i); }});
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("Y"), Timeout);
        lines.insert(1, {u"X"_s, {}});
        peer.reply("Y: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("YX"), Timeout);
        lines = script(u"Q"_s);
        peer.reply("X: OK\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 1 + !end.isEmpty(), Timeout);
        QVERIFY(peer.received.endsWith("YX"));
        const RunReport& next = reports.last();
        QCOMPARE(next.outcome, RunReport::Outcome::Completed);
        QCOMPARE(next.sent, 2);
        QCOMPARE(next.total, 2);
        // As text: one line per command (the inserted one second), the reply's line end escaped.
        const QStringList text = runReportText(next).split(u'\n');
        QVERIFY2(text.size() == 3 && text[0].startsWith(u"1\tY\tok\t"_s) &&
                     text[0].endsWith(u"\tY: OK\\r\\n"_s) && text[1].startsWith(u"2\tX\tok\t"_s),
                 qPrintable(text.join(u'|')));
    }

    // What an error text may hold: the settings tab's field and telvane-run's --error-text both ask this.
    void errorTextRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("none") << u""_s << true;
        QTest::newRow("blanks count") << u" ERROR "_s << true;
        QTest::newRow("Windows-1252") << u"Fehler \u00E4\u20AC"_s << true;
        QTest::newRow("LF") << u"\nERROR"_s << false;
        QTest::newRow("unit separator") << u"\x1F"_s << false;
        QTest::newRow("DEL") << u"ERROR\x7F"_s << false;
        QTest::newRow("outside Windows-1252") << u"\u2713"_s << false;
    }
    void errorTextRule() {
        QFETCH(QString, text);
        QTEST(ErrorText::isAllowed(text), "allowed");
    }

    // The run report as JUnit XML: valid against the schema CI servers read, one testcase per command in
    // order, a failure for every verdict but ok, the reply as system-out with its control characters escaped.
    void junitReport() {
        using Verdict = CommandResult::Verdict;
        const qint64 sent = QDateTime(QDate(2026, 12, 7), QTime(13, 5, 9, 7), Qt::UTC).toMSecsSinceEpoch();
        RunReport report;
        report.outcome = RunReport::Outcome::ErrorReply;
        report.commands = {{u"SM 1"_s, Verdict::Ok, "SM 1: OK\r\n", 12, sent},
                           {u"GM <&>"_s, Verdict::ErrorReply, "GM: ERROR \x01\xE4\r\n", 1500, sent + 20},
                           {u"GP 1"_s, Verdict::NoReply, {}, -1, sent + 1600},
                           {u"GP 2"_s, Verdict::LineLost, {}, -1, sent + 1700},
                           {u"GP 3"_s, Verdict::NotSent, {}, -1, -1},
                           {u"GP 4"_s, Verdict::Cancelled, {}, -1, -1}};
        const QByteArray xml = RunRecords::junitXml(report, u"Test.cfg slot 3"_s, u"127.0.0.1"_s);

        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_s);
        QVERIFY2(!xmllint.isEmpty(), "xmllint is missing: tools/setup.sh installs libxml2-utils");
        QProcess check;
        check.start(xmllint, {u"--noout"_s, u"--schema"_s,
                              QStringLiteral(TELVANE_SOURCE_DIR "/tests/data/junit.xsd"), u"-"_s});
        check.write(xml);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(Timeout));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());

        QStringList suite;
        QStringList cases;
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes a = reader.attributes();
            if (reader.name() == "testsuite"_L1) {
                for (const char* name :
                     {"name", "tests", "failures", "errors", "timestamp", "time", "hostname"})
                    suite.append(a.value(QLatin1String(name)).toString());
            } else if (reader.name() == "testcase"_L1) {
                cases.append(a.value("name"_L1) + u'|' + a.value("classname"_L1) + u'|' + a.value("time"_L1));
            } else if (reader.name() == "failure"_L1) {
                cases.last() += u'|' + a.value("type"_L1);
            } else if (reader.name() == "system-out"_L1) {
                cases.last() += u'|' + reader.readElementText();
            }
        }
        QCOMPARE(suite.join(u' '), u"Test.cfg slot 3 6 5 0 2026-12-07T13:05:09 1.512 127.0.0.1"_s);
        QCOMPARE(
            cases,
            QStringList({u"1: SM 1|Test.cfg slot 3|0.012|SM 1: OK\\r\\n"_s,
                         u"2: GM <&>|Test.cfg slot 3|1.500|error_reply|GM: ERROR \\x01\u00E4\\r\\n"_s,
                         u"3: GP 1|Test.cfg slot 3||no_reply"_s, u"4: GP 2|Test.cfg slot 3||line_lost"_s,
                         u"5: GP 3|Test.cfg slot 3||not_sent"_s, u"6: GP 4|Test.cfg slot 3||cancelled"_s}));
    }
};

QTEST_GUILESS_MAIN(RunsTest)
#include "tst_runs.moc"
