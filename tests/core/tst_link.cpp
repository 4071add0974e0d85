// The link to the device software against a loopback peer, and the session on it: the bytes on the wire, the
// log rows and ReplyPending.

#include "support/CoreSupport.h"

#include "core/files/Codec.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// Ticks closer together than a second, so a test sees several of them soon.
void tickFaster(TargetLink& link, int milliseconds) {
    link.findChild<QTimer*>(u"timConnect"_s)->setInterval(milliseconds);
}
} // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { setLanguageOffset(0); }

    void linkFollowsThePeer() {
        LoopbackPeer first;
        LoopbackPeer second;
        TargetLink link;
        // The link's own tick comes once a second from its start.
        const QTimer* tick = link.findChild<QTimer*>(u"timConnect"_s);
        QVERIFY(tick->isActive() && tick->interval() == 1000);
        tickFaster(link, 100);
        QSignalSpy states(&link, &TargetLink::stateChanged);
        QVERIFY(connectLink(link, first));
        QCOMPARE(states.last().first().toInt(), int(TargetLink::Connected));

        // A new port is taken by the next fresh connect only; the peer's close shows as 8 and the link
        // connects again on its own.
        link.setPort(second.portText());
        link.TryConnect();
        QCOMPARE(link.state(), int(TargetLink::Connected));
        first.dropClient();
        QTRY_VERIFY_WITH_TIMEOUT(states.contains({int(TargetLink::PeerClosing)}), Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(second.connected() && link.state() == TargetLink::Connected, Timeout);
        QVERIFY(!states.contains({int(TargetLink::Failed)}));
        QVERIFY(first.accepted == 1 && second.accepted == 1);

        link.setConnectWanted(false);
        link.TryConnect();
        QCOMPARE(link.state(), int(TargetLink::Closed));
        QCOMPARE(states.last().first().toInt(), int(TargetLink::Closed));
        QTRY_VERIFY_WITH_TIMEOUT(!second.connected(), Timeout);
    }
    void connectFails_data() {
        QTest::addColumn<QString>("port"); // "refused": a port nobody listens on
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("error"); // the kind of the last error, which tells a refusal from the rest
        const int none = QAbstractSocket::UnknownSocketError;
        QTest::newRow("refused") << "refused" << int(TargetLink::Failed)
                                 << int(QAbstractSocket::ConnectionRefusedError);
        // One port the rule refuses (portNumber has the others): the link does not try it.
        QTest::newRow("too big") << "65536" << int(TargetLink::Closed) << none;
    }
    void connectFails() {
        QFETCH(QString, port);
        QFETCH(int, state);
        QFETCH(int, error);
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
        QCOMPARE(int(link.lastError()), error);
    }

    // The one port rule, for the link and telvane-run alike.
    void portNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // -1: not a port
        QTest::newRow("blanks around") << " 6060 " << 6060;
        QTest::newRow("lowest") << "1" << 1;
        QTest::newRow("highest") << "65535" << 65535;
        QTest::newRow("zero") << "0" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("blank inside") << "60 60" << -1;
        QTest::newRow("hex") << "0x10" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void portNumber() {
        QFETCH(QString, text);
        const std::optional<quint16> port = TargetLink::portNumber(text);
        QTEST(port ? int(*port) : -1, "port");
    }

    void slowConnectIsGivenTime() {
        StuckListener listener;
        QTRY_COMPARE_WITH_TIMEOUT(listener.filler.state(), QAbstractSocket::ConnectedState, Timeout);
        TargetLink link;
        // Shortened, so the test sees an attempt left alone by two ticks and abandoned by a later one.
        constexpr int AttemptTimeout = 600;
        tickFaster(link, 200);
        link.setAttemptTimeout(AttemptTimeout);
        link.setHost(u"127.0.0.1"_s);
        link.setPort(QString::number(listener.server.serverPort()));
        link.setConnectWanted(true);
        QSignalSpy states(&link, &TargetLink::stateChanged);
        QElapsedTimer clock;
        clock.start();
        link.TryConnect();
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
        QTest::newRow("one byte per character") << true << u" Pr\u00fcf \u20AC"_s << true << -1
                                                << QByteArray(" Pr\xFC"
                                                              "f \x80");
        QTest::newRow("not Windows-1252")
            << true << u"SC \u2713"_s << false << int(TextId::NotSentNotEncodable) << QByteArray();
        // Longer than the command line's edit holds: a slot's command goes out whole.
        const QString longCommand = u"XC 1 "_s + QString(48000 - 5, u'a');
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
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        QVERIFY(!connect || connectLink(link, peer));
        setLanguageOffset(EnglishOffset);
        session.setReplyPending(pending);
        QSignalSpy changes(&session, &Session::replyPendingChanged);
        QString why;
        QCOMPARE(session.SendCommandLine(text, &why), reason < 0);
        QCOMPARE(why, reason < 0 ? QString() : GetText(static_cast<TextId>(reason)));
        // Only a command that went out waits for a reply.
        QCOMPARE(session.ReplyPending(), pending || reason < 0);
        QCOMPARE(changes.count(), pending || reason >= 0 ? 0 : 1);
        // Logged with its text whole; one that did not go out is marked, with the reason.
        session.log()->flush();
        const QModelIndex row = session.log()->index(0, MessageLog::ParameterColumn);
        QCOMPARE(row.data(MessageLog::TextRole).toString() + u'|' +
                     row.data(MessageLog::NotSentRole).toString() + u'|' +
                     row.data(Qt::ToolTipRole).toString(),
                 text + (reason < 0 ? u"|false|"_s : u"|true|"_s) + why);
        // Nothing follows a command, and nothing of one that failed went out: the next one is right behind.
        QVERIFY(!connect || session.SendCommandLine(u"X"_s));
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, connect ? bytes + 'X' : QByteArray(), Timeout);
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
};

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"
