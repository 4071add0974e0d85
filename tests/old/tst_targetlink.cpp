// The connection to the device software: how the socket's life shows in the state line, reconnecting,
// closing, bad ports, refused connects, and the widgets that follow the link.

#include "LinkHarness.h"

#include "core/files/Platform.h"
#include "core/texts/Texts.h"
#include "core/link/TargetLink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QColor Black(0, 0, 0);
const QColor Green(0, 255, 0);
const QColor Magenta(255, 0, 255);
const QColor Red(255, 0, 0);

QColor stateColour(const MainWindowUi& ui) {
    return ui.labState->palette().color(QPalette::WindowText);
}

QTimer* connectTimer(const WindowHarness& h) {
    return h.window->findChild<QTimer*>(QStringLiteral("timConnect"));
}

QTcpSocket* winsock(const WindowHarness& h) {
    return h.window->findChild<QTcpSocket*>(QStringLiteral("Winsock1"));
}

// A port on 127.0.0.1 where a connect stays in progress: the one place in the listener's queue is taken by a
// connection nobody accepts, so the system drops further connection requests and the client keeps trying.
class StuckListener {
public:
    StuckListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        if (::bind(m_fd, generic, length) == 0 && ::listen(m_fd, 0) == 0 &&
            ::getsockname(m_fd, generic, &length) == 0)
            port = ntohs(address.sin_port);
        filler.connectToHost(QHostAddress::LocalHost, port);
    }
    ~StuckListener() { ::close(m_fd); }

    quint16 port = 0;
    QTcpSocket filler;

private:
    int m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

} // namespace

class TargetLinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetLanguageOffset(0); }

    void tickingTheBoxConnects();
    void peerThatClosesIsReconnected();
    void untickingClosesAndKeepsQuickDialButtons();
    void portThatIsNotAPortNumberLeavesSocketClosed_data();
    void portThatIsNotAPortNumberLeavesSocketClosed();
    void refusedConnectShowsErrorInRed();
    void slowConnectIsGivenTime();
    void newPortTakesEffectOnlyOnAFreshConnect();
    void thisSystemPutsLocalHostName();
};

void TargetLinkTest::tickingTheBoxConnects() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), false);
    TargetLink* link = h.window->link();

    // Not wanted: ticks pass and nothing connects.
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(link->State(), int(TargetLink::Closed));
    QCOMPARE(peer.accepted, 0);

    // The greyed box wants a connection as much as the ticked one.
    h.ui().chkConnect->setCheckState(Qt::PartiallyChecked);
    QVERIFY(link->ConnectWanted());
    LINK_WAIT_CONNECTED(h, peer);
    QCOMPARE(stateColour(h.ui()), Green);
    QVERIFY(h.ui().labState->toolTip().isEmpty());

    // A connected socket is left alone by later ticks.
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(peer.accepted, 1);
    QCOMPARE(h.dialogs.asked, 0);
}

void TargetLinkTest::peerThatClosesIsReconnected() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), true);
    TargetLink* link = h.window->link();
    LINK_WAIT_CONNECTED(h, peer);

    // Look at the state line the moment the socket notices the close, before any tick can reconnect.
    int stateAtClose = -1;
    QString lineAtClose;
    QColor colourAtClose;
    const QMetaObject::Connection watch = QObject::connect(winsock(h), &QTcpSocket::disconnected, this, [&] {
        stateAtClose = link->State();
        link->RefreshLinkState();
        lineAtClose = stateLine(h.ui());
        colourAtClose = stateColour(h.ui());
    });
    const auto unwatch = qScopeGuard([&] { QObject::disconnect(watch); });

    QElapsedTimer sinceClose;
    sinceClose.start();
    peer.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(stateAtClose, int(TargetLink::PeerClosing), Timeout);
    QCOMPARE(lineAtClose, QStringLiteral("State: Partner close connection."));
    QCOMPARE(colourAtClose, Magenta);

    QTRY_COMPARE_WITH_TIMEOUT(peer.accepted, 2, Timeout);
    // The next connect tick retries: at most one interval plus scheduling slack.
    QVERIFY2(sinceClose.elapsed() < 3000, qPrintable(QString::number(sinceClose.elapsed())));
    LINK_WAIT_CONNECTED(h, peer);
}

void TargetLinkTest::untickingClosesAndKeepsQuickDialButtons() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), true);
    const MainWindowUi& ui = h.ui();
    ui.lstCommands->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("SM 1")}));
    ui.txtSend->setText(QStringLiteral("SM 1"));
    LINK_WAIT_CONNECTED(h, peer);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdSend->isEnabled() && ui.cmdCommandTest->isEnabled(), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdCommand[7]->isEnabled(), Timeout);

    ui.chkConnect->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(ui), QStringLiteral("State: Port closed."), Timeout);
    QCOMPARE(stateColour(ui), Black);
    QCOMPARE(h.window->link()->State(), int(TargetLink::Closed));
    QTRY_VERIFY_WITH_TIMEOUT(!ui.cmdSend->isEnabled() && !ui.cmdCommandTest->isEnabled(), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!peer.connected(), Timeout);
    // The run buttons of the quick dial stay on once the link was usable.
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    for (QPushButton* run : ui.cmdCommand)
        QVERIFY(run->isEnabled());
}

void TargetLinkTest::portThatIsNotAPortNumberLeavesSocketClosed_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("too big") << "65536";
}

void TargetLinkTest::portThatIsNotAPortNumberLeavesSocketClosed() {
    QFETCH(QString, port);
    WindowHarness h(port, true);
    QVERIFY(h.window->link()->ConnectWanted());
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(h.window->link()->State(), int(TargetLink::Closed));
    QCOMPARE(winsock(h)->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Port closed."), Timeout);
    QCOMPARE(stateColour(h.ui()), Black);
    QCOMPARE(h.dialogs.asked, 0);
    // The state line follows the language.
    h.ui().cboLanguage->setCurrentIndex(0);
    emit h.ui().cboLanguage->activated(0);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("Zustand: Port geschlossen."), Timeout);
}

void TargetLinkTest::refusedConnectShowsErrorInRed() {
    WindowHarness h(QString::number(refusingPort()), true);
    TargetLink* link = h.window->link();
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Error occured while connecting."),
                              Timeout);
    QCOMPARE(link->State(), int(TargetLink::Failed));
    QCOMPARE(stateColour(h.ui()), Red);
    QVERIFY(!link->lastErrorText().isEmpty());
    QCOMPARE(h.ui().labState->toolTip(), link->lastErrorText());
    QVERIFY(!h.ui().cmdSend->isEnabled());

    // It keeps trying: every tick starts a new attempt, which fails again.
    QSignalSpy errors(winsock(h), &QTcpSocket::errorOccurred);
    QVERIFY(errors.wait(Timeout));
    QCOMPARE(errors.first().first().value<QAbstractSocket::SocketError>(),
             QAbstractSocket::ConnectionRefusedError);
    QCOMPARE(h.dialogs.asked, 0);
}

void TargetLinkTest::slowConnectIsGivenTime() {
    StuckListener listener;
    QTRY_COMPARE_WITH_TIMEOUT(listener.filler.state(), QAbstractSocket::ConnectedState, Timeout);
    WindowHarness h(QString::number(listener.port), false);
    // Shortened from 10 s, so the test sees an attempt abandoned.
    constexpr int AttemptTimeout = 3000;
    h.window->link()->setAttemptTimeout(AttemptTimeout);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> attempts;
    connect(winsock(h), &QTcpSocket::stateChanged, this, [&](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::ConnectingState)
            attempts.append(clock.elapsed());
    });
    h.ui().chkConnect->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Dial up...."), Timeout);
    QCOMPARE(stateColour(h.ui()), Magenta);
    // The ticks in between leave the attempt alone; the first tick after the timeout starts afresh.
    QTRY_COMPARE_WITH_TIMEOUT(attempts.size(), 2, 3 * Timeout);
    QVERIFY2(attempts[1] - attempts[0] > AttemptTimeout - 500,
             qPrintable(QString::number(attempts[1] - attempts[0])));
    QCOMPARE(h.dialogs.asked, 0);
}

void TargetLinkTest::newPortTakesEffectOnlyOnAFreshConnect() {
    LoopbackPeer first;
    LoopbackPeer second;
    WindowHarness h(first.portText(), true);
    LINK_WAIT_CONNECTED(h, first);

    h.ui().txtPort->setText(second.portText());
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(first.connected());
    QCOMPARE(second.accepted, 0);

    first.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(second.accepted, 1, Timeout);
}

void TargetLinkTest::thisSystemPutsLocalHostName() {
    WindowHarness h(QStringLiteral("abc"), false);
    h.ui().txtPcName->setText(QStringLiteral("elsewhere"));
    QTest::mouseClick(h.ui().cmdThisSystem, Qt::LeftButton);
    QCOMPARE(h.ui().txtPcName->text(), Platform::LocalHostName());
}

QTEST_MAIN(TargetLinkTest)
#include "tst_targetlink.moc"
