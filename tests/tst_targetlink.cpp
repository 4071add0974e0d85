// The connection to the device software: how the socket's life shows in the state line, reconnecting,
// closing, bad ports, refused connects, and the widgets that follow the link.

#include "LinkHarness.h"

#include "app/Platform.h"
#include "app/Texts.h"
#include "link/TargetLink.h"

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

} // namespace

class TargetLinkTest : public QObject {
    Q_OBJECT

private slots:
    void stateTable_data();
    void stateTable();

    void tickingTheBoxConnects();
    void greyedBoxWantsAConnectionToo();
    void peerThatClosesIsReconnected();
    void untickingClosesAndDisablesSending();
    void portThatIsNotAPortNumberLeavesSocketClosed_data();
    void portThatIsNotAPortNumberLeavesSocketClosed();
    void portWithBlanksAroundConnects();
    void refusedConnectShowsErrorInRed();
    void newPortTakesEffectOnlyOnAFreshConnect();
    void quickDialButtonsStayEnabledOnceLinkWasUsable();
    void scriptTestButtonFollowsLinkAndScript();
    void sendWithoutLinkSaysWhy();
    void thisSystemPutsLocalHostName();
    void stateLineFollowsLanguage();
};

void TargetLinkTest::stateTable_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("usable");
    QTest::newRow("0 closed") << 0 << "Port closed." << Black << false;
    QTest::newRow("1 open") << 1 << "Port opened." << Green << true;
    QTest::newRow("2 listening") << 2 << "Observe." << Green << true;
    QTest::newRow("3 pending") << 3 << "Connection queued." << Magenta << false;
    QTest::newRow("4 resolving") << 4 << "Dissolving host name." << Magenta << false;
    QTest::newRow("5 resolved") << 5 << "Host name was dissolved." << Magenta << false;
    QTest::newRow("6 connecting") << 6 << "Dial up...." << Magenta << false;
    QTest::newRow("7 connected") << 7 << "Connected." << Green << true;
    QTest::newRow("8 peer closing") << 8 << "Partner close connection." << Magenta << false;
    QTest::newRow("9 error") << 9 << "Error occured while connecting." << Red << false;
}

void TargetLinkTest::stateTable() {
    QFETCH(int, state);
    QFETCH(QString, english);
    QFETCH(QColor, colour);
    QFETCH(bool, usable);
    SetLanguageOffset(10000);
    QCOMPARE(GetText(TargetLink::StateTextId(state)), english);
    QCOMPARE(TargetLink::StateColour(state), colour);
    QCOMPARE(TargetLink::IsUsable(state), usable);
}

void TargetLinkTest::tickingTheBoxConnects() {
    LoopbackPeer peer;
    QVERIFY(peer.listening());
    WindowHarness h(peer.portText(), false);
    TargetLink* link = h.window->link();
    QVERIFY(!link->ConnectWanted());

    // Not wanted: ticks pass and nothing connects.
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(link->State(), int(TargetLink::Closed));
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Port closed."), Timeout);
    QCOMPARE(stateColour(h.ui()), Black);
    QCOMPARE(peer.accepted, 0);

    h.ui().chkConnect->setChecked(true);
    QVERIFY(link->ConnectWanted());
    LINK_WAIT_CONNECTED(h, peer);
    QCOMPARE(stateColour(h.ui()), Green);
    QCOMPARE(peer.accepted, 1);
    QVERIFY(h.ui().labState->toolTip().isEmpty());

    // A connected socket is left alone by later ticks.
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(peer.accepted, 1);
    QCOMPARE(h.dialogs.asked, 0);
}

void TargetLinkTest::greyedBoxWantsAConnectionToo() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), false);
    h.ui().chkConnect->setCheckState(Qt::PartiallyChecked);
    QVERIFY(h.window->link()->ConnectWanted());
    LINK_WAIT_CONNECTED(h, peer);
    h.ui().chkConnect->setCheckState(Qt::Unchecked);
    QVERIFY(!h.window->link()->ConnectWanted());
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
    QVERIFY(!h.ui().labState->toolTip().isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(peer.accepted, 2, Timeout);
    // The next connect tick retries: at most one interval plus scheduling slack.
    QVERIFY2(sinceClose.elapsed() < 3000, qPrintable(QString::number(sinceClose.elapsed())));
    LINK_WAIT_CONNECTED(h, peer);
}

void TargetLinkTest::untickingClosesAndDisablesSending() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), true);
    const MainWindowUi& ui = h.ui();
    ui.lstCommands->addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("SM 1")}));
    ui.txtSend->setText(QStringLiteral("SM 1"));
    LINK_WAIT_CONNECTED(h, peer);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdSend->isEnabled() && ui.cmdCommandTest->isEnabled(), Timeout);

    ui.chkConnect->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(ui), QStringLiteral("State: Port closed."), Timeout);
    QCOMPARE(stateColour(ui), Black);
    QCOMPARE(h.window->link()->State(), int(TargetLink::Closed));
    QTRY_VERIFY_WITH_TIMEOUT(!ui.cmdSend->isEnabled() && !ui.cmdCommandTest->isEnabled(), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!peer.connected(), Timeout);
}

void TargetLinkTest::portThatIsNotAPortNumberLeavesSocketClosed_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("letters") << "abc";
    QTest::newRow("empty") << "";
    QTest::newRow("letter inside") << "6o60";
    QTest::newRow("zero") << "0";
    QTest::newRow("too big") << "65536";
    QTest::newRow("negative") << "-1";
    QTest::newRow("fraction") << "60.5";
}

void TargetLinkTest::portThatIsNotAPortNumberLeavesSocketClosed() {
    QFETCH(QString, port);
    WindowHarness h(port, true);
    TargetLink* link = h.window->link();
    QVERIFY(link->ConnectWanted());
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(link->State(), int(TargetLink::Closed));
    QCOMPARE(winsock(h)->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(ticks.wait(Timeout));
    QCOMPARE(link->State(), int(TargetLink::Closed));
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Port closed."), Timeout);
    QCOMPARE(stateColour(h.ui()), Black);
    QCOMPARE(h.dialogs.asked, 0);
}

void TargetLinkTest::portWithBlanksAroundConnects() {
    LoopbackPeer peer;
    WindowHarness h(QStringLiteral("6060"), false);
    h.ui().txtPort->setText(QStringLiteral(" %1 ").arg(peer.port()));
    h.ui().chkConnect->setChecked(true);
    LINK_WAIT_CONNECTED(h, peer);
}

void TargetLinkTest::refusedConnectShowsErrorInRed() {
    WindowHarness h(QString::number(refusingPort()), true);
    TargetLink* link = h.window->link();
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Error occured while connecting."),
                              Timeout);
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
    QCOMPARE(first.accepted, 1);
}

void TargetLinkTest::quickDialButtonsStayEnabledOnceLinkWasUsable() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), false);
    const MainWindowUi& ui = h.ui();
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    for (QPushButton* run : ui.cmdCommand)
        QVERIFY(!run->isEnabled());

    ui.chkConnect->setChecked(true);
    LINK_WAIT_CONNECTED(h, peer);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdCommand[7]->isEnabled(), Timeout);
    for (QPushButton* run : ui.cmdCommand)
        QVERIFY(run->isEnabled());

    ui.chkConnect->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(ui), QStringLiteral("State: Port closed."), Timeout);
    QVERIFY(ticks.wait(Timeout));
    for (QPushButton* run : ui.cmdCommand)
        QVERIFY(run->isEnabled());
}

void TargetLinkTest::scriptTestButtonFollowsLinkAndScript() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), true);
    const MainWindowUi& ui = h.ui();
    LINK_WAIT_CONNECTED(h, peer);
    QSignalSpy ticks(connectTimer(h), &QTimer::timeout);
    QVERIFY(ticks.wait(Timeout));
    QVERIFY(!ui.cmdCommandTest->isEnabled()); // no script rows

    auto* row = new QTreeWidgetItem(QStringList{QStringLiteral("SM 1"), QStringLiteral("start")});
    ui.lstCommands->addTopLevelItem(row);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdCommandTest->isEnabled(), Timeout);
    delete row;
    QTRY_VERIFY_WITH_TIMEOUT(!ui.cmdCommandTest->isEnabled(), Timeout);
}

void TargetLinkTest::sendWithoutLinkSaysWhy() {
    WindowHarness h(QStringLiteral("abc"), false);
    QString reason;
    QVERIFY(!h.window->link()->send(QByteArrayLiteral("SM 1"), &reason));
    QCOMPARE(reason, QStringLiteral("Not sent: no connection to the target system."));
    QVERIFY(!h.window->link()->send(QByteArrayLiteral("SM 1"), nullptr));
}

void TargetLinkTest::thisSystemPutsLocalHostName() {
    LoopbackPeer peer;
    WindowHarness h(peer.portText(), true);
    LINK_WAIT_CONNECTED(h, peer);
    h.ui().txtPcName->setText(QStringLiteral("elsewhere"));
    QTest::mouseClick(h.ui().cmdThisSystem, Qt::LeftButton);
    QCOMPARE(h.ui().txtPcName->text(), Platform::LocalHostName());
    QVERIFY(!h.ui().txtPcName->text().isEmpty());
    // The connection is not touched.
    QVERIFY(peer.connected());
    QCOMPARE(h.window->link()->State(), int(TargetLink::Connected));
}

void TargetLinkTest::stateLineFollowsLanguage() {
    WindowHarness h(QStringLiteral("abc"), true);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("State: Port closed."), Timeout);
    h.ui().cboLanguage->setCurrentIndex(0);
    emit h.ui().cboLanguage->activated(0);
    QTRY_COMPARE_WITH_TIMEOUT(stateLine(h.ui()), QStringLiteral("Zustand: Port geschlossen."), Timeout);
}

QTEST_MAIN(TargetLinkTest)
#include "tst_targetlink.moc"
