// The link to the device software against a loopback peer, the session on it (the bytes on the wire, the
// log rows, ReplyPending) and the script runner that drives the session.

#include "support/CoreSupport.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A link to a peer of its own (connecting or not), a session on it and a runner on that.
struct Fixture {
    explicit Fixture(bool connect = true) {
        link.setHost(QStringLiteral("127.0.0.1"));
        link.setPort(peer.portText());
        link.setConnectWanted(connect);
        link.TryConnect();
        QObject::connect(&runner, &ScriptRunner::finished, &runner,
                         [this](const RunReport& report) { reports.append(report); });
    }
    bool connected() {
        return QTest::qWaitFor([this] { return link.state() == TargetLink::Connected && peer.connected(); },
                               Timeout);
    }
    // The log as "Set text" and "Get text" rows; a command that did not go out ends in '!'.
    QStringList rows() const {
        MessageLog* log = session.log();
        log->flush();
        QStringList all;
        for (int row = 0; row < log->rowCount(); ++row) {
            const bool notSent = log->index(row, 0).data(MessageLog::NotSentRole).toBool();
            all.append(log->index(row, MessageLog::ModeColumn).data().toString() + QLatin1Char(' ') +
                       log->index(row, MessageLog::ParameterColumn).data(MessageLog::TextRole).toString() +
                       QLatin1String(notSent ? "!" : ""));
        }
        return all;
    }

    LoopbackPeer peer;
    TargetLink link;
    Session session{&link};
    ScriptRunner runner{&session};
    QList<RunReport> reports;
};

Script lines(const char* commands) {
    Script script;
    for (const QString& command : QString::fromLatin1(commands).split(QLatin1Char('|')))
        script.append({command, QStringLiteral("about ") + command});
    return script;
}

} // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        setLanguageOffset(0);
        UtcClock::setFixed(QDateTime());
    }

    void linkFollowsThePeer() {
        LoopbackPeer second;
        Fixture f(false);
        QSignalSpy states(&f.link, &TargetLink::stateChanged);
        f.link.setConnectWanted(true);
        f.link.TryConnect();
        QVERIFY(f.connected());
        QCOMPARE(states.last().first().toInt(), int(TargetLink::Connected));

        // A new port is taken by the next fresh connect only; the peer's close shows as 8 and the link
        // connects again on its own.
        f.link.setPort(second.portText());
        f.link.TryConnect();
        QCOMPARE(f.link.state(), int(TargetLink::Connected));
        f.peer.dropClient();
        QTRY_VERIFY_WITH_TIMEOUT(states.contains({int(TargetLink::PeerClosing)}), Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(second.connected() && f.link.state() == TargetLink::Connected, Timeout);
        QVERIFY(!states.contains({int(TargetLink::Failed)}));
        QVERIFY(f.peer.accepted == 1 && second.accepted == 1);

        f.link.setConnectWanted(false);
        f.link.TryConnect();
        QCOMPARE(f.link.state(), int(TargetLink::Closed));
        QCOMPARE(states.last().first().toInt(), int(TargetLink::Closed));
        QTRY_VERIFY_WITH_TIMEOUT(!second.connected(), Timeout);
    }

    void connectFails_data() {
        QTest::addColumn<QString>("port"); // "refused": a port nobody listens on
        QTest::addColumn<int>("state");
        QTest::newRow("refused") << "refused" << int(TargetLink::Failed);
        QTest::newRow("letters") << "abc" << int(TargetLink::Closed);
        QTest::newRow("empty") << "" << int(TargetLink::Closed);
        QTest::newRow("zero") << "0" << int(TargetLink::Closed);
        QTest::newRow("too big") << "65536" << int(TargetLink::Closed);
    }
    void connectFails() {
        QFETCH(QString, port);
        QFETCH(int, state);
        TargetLink link;
        QSignalSpy states(&link, &TargetLink::stateChanged);
        QSignalSpy errors(&link, &TargetLink::errorTextChanged);
        link.setHost(QStringLiteral("127.0.0.1"));
        link.setPort(port == QLatin1String("refused") ? QString::number(refusingPort()) : port);
        link.setConnectWanted(true);
        link.TryConnect();
        QTRY_COMPARE_WITH_TIMEOUT(link.state(), state, Timeout);
        // Each attempt tries again: a refused connect fails again, a bad port never opens the socket.
        link.TryConnect();
        QVERIFY(state == TargetLink::Closed || errors.wait(Timeout));
        QCOMPARE(link.state(), state);
        QCOMPARE(states.isEmpty(), state == TargetLink::Closed);
        QCOMPARE(link.lastErrorText().isEmpty(), state == TargetLink::Closed);
    }

    void slowConnectIsGivenTime() {
        StuckListener listener;
        QTRY_COMPARE_WITH_TIMEOUT(listener.filler.state(), QAbstractSocket::ConnectedState, Timeout);
        TargetLink link;
        constexpr int AttemptTimeout = 3000; // shortened, so the test sees an attempt abandoned
        link.setAttemptTimeout(AttemptTimeout);
        link.setHost(QStringLiteral("127.0.0.1"));
        link.setPort(QString::number(listener.server.serverPort()));
        link.setConnectWanted(true);
        QSignalSpy states(&link, &TargetLink::stateChanged);
        QElapsedTimer clock;
        clock.start();
        link.TryConnect();
        // The ticks in between leave the attempt alone; the first tick after the timeout starts afresh.
        QTRY_COMPARE_WITH_TIMEOUT(states.count({int(TargetLink::Connecting)}), 2, 3 * Timeout);
        QVERIFY2(clock.elapsed() >= AttemptTimeout, qPrintable(QString::number(clock.elapsed())));
    }

    void send_data() {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pending"); // before the send
        QTest::addColumn<int>("reason");   // why it was not sent; -1: sent
        QTest::addColumn<QByteArray>("bytes");
        const int noLink = int(TextId::NotSentNoConnection);
        QTest::newRow("plain") << true << "SM 1" << false << -1 << QByteArray("SM 1");
        QTest::newRow("one byte per character") << true << QStringLiteral(" Pr\u00fcf \u20AC") << true << -1
                                                << QByteArray(" Pr\xFC"
                                                              "f \x80");
        QTest::newRow("not Windows-1252") << true << QStringLiteral("SC \u2713") << false
                                          << int(TextId::NotSentNotEncodable) << QByteArray();
        // Longer than the command line's edit holds: a slot's command goes out whole.
        const QString longCommand = QStringLiteral("XC 1 ") + QString(48000 - 5, u'a');
        QTest::newRow("48,000 characters") << true << longCommand << false << -1 << longCommand.toLatin1();
        QTest::newRow("no connection") << false << "SM 1" << false << noLink << QByteArray();
        QTest::newRow("no connection, reply pending") << false << "SM 1" << true << noLink << QByteArray();
    }
    void send() {
        QFETCH(bool, connect);
        QFETCH(QString, text);
        QFETCH(bool, pending);
        QFETCH(int, reason);
        QFETCH(QByteArray, bytes);
        Fixture f(connect);
        QVERIFY(!connect || f.connected());
        setLanguageOffset(EnglishOffset);
        UtcClock::setFixed(QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC));
        f.session.setReplyPending(pending);
        QSignalSpy changes(&f.session, &Session::replyPendingChanged);
        QString why;
        QCOMPARE(f.session.SendCommandLine(text, &why), reason < 0);
        QCOMPARE(why, reason < 0 ? QString() : GetText(static_cast<TextId>(reason)));
        // Only a command that went out waits for a reply.
        QCOMPARE(f.session.ReplyPending(), pending || reason < 0);
        QCOMPARE(changes.count(), pending || reason >= 0 ? 0 : 1);
        QCOMPARE(f.rows(), QStringList{QStringLiteral("Set ") + text + QLatin1String(reason < 0 ? "" : "!")});
        QCOMPARE(f.session.log()->index(0, MessageLog::ParameterColumn).data(Qt::ToolTipRole).toString(),
                 why);
        QCOMPARE(f.session.log()->index(0, MessageLog::TimeColumn).data().toString(),
                 QStringLiteral("23:59:59:500"));
        // Nothing follows a command, and nothing of one that failed went out: the next one is right behind.
        QVERIFY(!connect || f.session.SendCommandLine(QStringLiteral("X")));
        QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, connect ? bytes + 'X' : QByteArray(), Timeout);
    }

    void receive_data() {
        QTest::addColumn<bool>("before");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("after");
        QTest::newRow("no colon: still pending") << true << QByteArray("busy") << true;
        QTest::newRow("a colon anywhere answers") << true << QByteArray("OK: 1\r\n") << false;
        QTest::newRow("a colon with nothing pending") << false << QByteArray(":") << false;
        QTest::newRow("Windows-1252") << false << QByteArray("\x80\xE4") << false;
    }
    void receive() {
        QFETCH(bool, before);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, after);
        Session session(nullptr);
        session.setReplyPending(before);
        int rowsWhenAnswered = -1;
        connect(&session, &Session::replyPendingChanged, this,
                [&] { rowsWhenAnswered = session.log()->size(); });
        session.receive(bytes);
        session.log()->flush();
        QCOMPARE(session.ReplyPending(), after);
        // A runner sends its next command from this signal: the reply must be in the log by then.
        QCOMPARE(rowsWhenAnswered, before == after ? -1 : 1);
        QCOMPARE(session.log()->index(0, MessageLog::ModeColumn).data().toString(), QStringLiteral("Get"));
        QCOMPARE(session.log()->index(0, MessageLog::ParameterColumn).data(MessageLog::TextRole).toString(),
                 Cp1252::decode(bytes));
    }

    void slotRunWaitsForEachReply() {
        Fixture f;
        QVERIFY(f.connected());
        QSignalSpy started(&f.runner, &ScriptRunner::started);
        QSignalSpy sending(&f.runner, &ScriptRunner::commandSending);
        f.runner.setScriptBusy(true);
        f.runner.RunSlotScript({}); // an empty slot sends nothing and releases the lock
        QVERIFY(!f.runner.ScriptBusy() && started.isEmpty());
        Script script = lines("SM 1|SP 1 3|GM");
        f.runner.RunSlotScript(script);
        script[1].command = QStringLiteral("changed"); // the run has its own copy
        QCOMPARE(started.count(), 1);
        f.peer.reply("busy\r\n"); // no colon: no reply yet
        QTRY_COMPARE_WITH_TIMEOUT(f.rows().size(), 2, Timeout);
        f.runner.RunSlotScript(lines("XX")); // busy: ignored
        f.peer.reply("SM 1: OK\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(f.rows().size(), 4, Timeout);
        f.peer.reply("SP: OK\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(f.reports.size(), 1, Timeout);
        // The run ends when its last command is handed over, with the reply still to come.
        QCOMPARE(f.rows().join(QLatin1Char('|')),
                 QStringLiteral("Set SM 1|Get busy\r\n|Get SM 1: OK\r\n|Set SP 1 3|Get SP: OK\r\n|Set GM"));
        QVERIFY(f.session.ReplyPending() && !f.runner.ScriptBusy());
        QCOMPARE(started.count(), 1);
        QCOMPARE(sending.last(), QVariantList({QStringLiteral("GM"), 3, 3}));
        const RunReport& r = f.reports.first();
        QCOMPARE(QVariantList({int(r.outcome), r.sent, r.total, r.command}),
                 QVariantList({0, 3, 3, QStringLiteral("GM")}));
        QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArray("SM 1SP 1 3GM"), Timeout);
    }

    void runs_data() {
        QTest::addColumn<QString>(
            "setup"); // Hand command unanswered, slot operation Busy, Editor run, link Down
        QTest::addColumn<int>("cancelAt"); // -1 before the run, 0 right after its start, n while sending n
        QTest::addColumn<int>("atStart");  // commands logged when the start returns
        QTest::addColumn<QString>("end");  // outcome and commands sent; "" for no run
        QTest::addColumn<QString>("notice");
        auto row = [](const char* name, const char* setup, int cancelAt, int atStart, const char* end,
                      const char* notice = "") {
            QTest::newRow(name) << QString::fromLatin1(setup) << cancelAt << atStart
                                << QString::fromLatin1(end) << QString::fromUtf8(notice);
        };
        const char* completed = "Befehlsablauf ausgef\u00fchrt, 3 Befehle.";
        row("slot run: the first command never waits", "H", 9, 2, "Completed 3", completed);
        row("editor run: the first command waits for the reply", "HE", 9, 1, "Completed 3", completed);
        row("editor run while a slot operation is open", "BE", 9, 0, "");
        row("cancelled before the first command", "HE", 0, 1, "Cancelled 0",
            "Abgebrochen nach 0 von 3 Befehlen.");
        row("cancelled while waiting", "", 0, 1, "Cancelled 1", "Abgebrochen nach 1 von 3 Befehlen.");
        row("cancelled while sending: at the next wait", "", 2, 1, "Cancelled 2",
            "Abgebrochen nach 2 von 3 Befehlen.");
        row("cancelled while sending the last: never waits again", "", 3, 1, "Completed 3", completed);
        row("a cancel before the run is forgotten", "", -1, 1, "Completed 3", completed);
        row("a failed send ends the run", "D", 9, 1, "NotSent 1", "Abbruch: Befehl nicht gesendet.");
    }
    void runs() {
        QFETCH(QString, setup);
        QFETCH(int, cancelAt);
        QFETCH(int, atStart);
        QFETCH(QString, end);
        QFETCH(QString, notice);
        Fixture f(!setup.contains(QLatin1Char('D')));
        QVERIFY(setup.contains(QLatin1Char('D')) || f.connected());
        QVERIFY(!setup.contains(QLatin1Char('H')) || f.session.SendCommandLine(QStringLiteral("GM")));
        f.runner.setScriptBusy(setup.contains(QLatin1Char('B')));
        if (cancelAt < 0)
            f.runner.requestCancel();
        QObject::connect(&f.runner, &ScriptRunner::commandSending, this, [&](const QString&, int index) {
            if (index == cancelAt)
                f.runner.requestCancel();
        });
        if (setup.contains(QLatin1Char('E')))
            f.runner.RunEditorScript(lines("A|B|C"));
        else
            f.runner.RunSlotScript(lines("A|B|C"));
        if (cancelAt == 0)
            f.runner.requestCancel();
        auto logged = [&] { return f.rows().filter(QStringLiteral("Set ")).size(); };
        QCOMPARE(logged(), atStart);
        for (int reply = 0; reply < 4 && f.runner.isRunning(); ++reply) {
            const qsizetype before = logged();
            f.session.receive(":");
            QTRY_VERIFY_WITH_TIMEOUT(!f.runner.isRunning() || logged() > before, Timeout);
        }
        QCOMPARE(f.reports.size(), end.isEmpty() ? 0 : 1);
        QCOMPARE(f.runner.ScriptBusy(), end.isEmpty());
        if (end.isEmpty())
            return;
        const RunReport& report = f.reports.first();
        const char* outcomes[] = {"Completed", "Cancelled", "NotSent"};
        QCOMPARE(QStringLiteral("%1 %2").arg(QLatin1String(outcomes[int(report.outcome)])).arg(report.sent),
                 end);
        QCOMPARE(runNotice(report), notice);
        QCOMPARE(f.session.ReplyPending(), report.outcome != RunReport::Outcome::NotSent);
        // A late reply does not bring the run back.
        const qsizetype sent = logged();
        f.session.receive(":");
        QCoreApplication::processEvents();
        QCOMPARE(logged(), sent);
    }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"
