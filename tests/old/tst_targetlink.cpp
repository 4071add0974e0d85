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
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const QColor Black = TargetLink::StateColour(TargetLink::Closed);
const QColor Green = TargetLink::StateColour(TargetLink::Connected);
const QColor Magenta = TargetLink::StateColour(TargetLink::PeerClosing);
const QColor Red = TargetLink::StateColour(TargetLink::Failed);

// WCAG's contrast ratio of two colours, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

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
    void cleanup() { SetLanguageOffset(0); }

    void tickingTheBoxConnects();
    void peerThatClosesIsReconnected();
    void untickingClosesAndKeepsQuickDialButtons();
    void portThatIsNotAPortNumberLeavesSocketClosed_data();
    void portThatIsNotAPortNumberLeavesSocketClosed();
    void refusedConnectShowsErrorInRed();
    void newPortTakesEffectOnlyOnAFreshConnect();
    void thisSystemPutsLocalHostName();
    void stateColoursAreReadable_data();
    void stateColoursAreReadable();
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

void TargetLinkTest::stateColoursAreReadable_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("hue"); // -1 for black
    const int green = 120;
    const int magenta = 300;
    const int red = 0;
    const int hues[] = {-1, green, green, magenta, magenta, magenta, magenta, green, magenta, red};
    for (int state = 0; state < 10; ++state)
        QTest::addRow("state %d", state) << state << hues[state];
}

void TargetLinkTest::stateColoursAreReadable() {
    QFETCH(int, state);
    QFETCH(int, hue);
    const QColor colour = TargetLink::StateColour(state);
    // The colour keeps its name: the same hue, fully saturated (not a greyish shade of it) ...
    if (hue < 0) {
        QCOMPARE(colour, QColor(Qt::black));
    } else {
        const int off = std::abs(colour.hsvHue() - hue);
        QVERIFY2(std::min(off, 360 - off) <= 10 && colour.hsvSaturation() == 255, qPrintable(colour.name()));
    }
    // ... and is dark enough to read on the window background of the program's style.
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const QColor window = fusion->standardPalette().color(QPalette::Window);
    QVERIFY2(contrast(colour, window) >= 4.5, qPrintable(QString::number(contrast(colour, window))));
}

QTEST_MAIN(TargetLinkTest)
#include "tst_targetlink.moc"
