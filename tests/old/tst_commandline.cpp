// The command line and the message log against a real peer on the loopback address: what goes on the wire,
// what the log shows, ReplyPending, the enabling of the buttons, and the column auto-size.

#include "LinkHarness.h"

#include "app/Platform.h"
#include "app/Texts.h"
#include "link/AutoSizeColumns.h"
#include "link/CommandLine.h"
#include "link/MessageLog.h"
#include "scripts/ScriptRunner.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A main window with its log under the model tester; connected to a peer, or with a link that stays closed.
struct Fixture {
    explicit Fixture(bool connect)
        : h(connect ? peer.portText() : QString::number(refusingPort()), connect) {}
    LoopbackPeer peer;
    WindowHarness h;
    QAbstractItemModelTester tester{h.window->commandLine()->log(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};

    CommandLine* line() const { return h.window->commandLine(); }
    MessageLog* log() const { return line()->log(); }
    const MainWindowUi& ui() const { return h.ui(); }
    QString cell(int row, int column, int role = Qt::DisplayRole) const {
        return log()->index(row, column).data(role).toString();
    }
};

} // namespace

// Connected, and the state tick has enabled what a usable link enables.
#define WAIT_USABLE(f)                                                                                       \
    do {                                                                                                     \
        LINK_WAIT_CONNECTED((f).h, (f).peer);                                                                \
        QTRY_VERIFY_WITH_TIMEOUT((f).ui().cmdCommand[0]->isEnabled(), Timeout);                              \
    } while (false)

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { UtcClock::setFixed(QDateTime()); }

    void sendPutsExactlyTheTextOnTheWire_data();
    void sendPutsExactlyTheTextOnTheWire();
    void replyPendingAndTheLog();
    void pendingFallsOnlyAfterTheReplyIsLogged();
    void timeStampIsUtcNotLocalTime();
    void failedSendIsMarkedAndLeavesReplyPending_data();
    void failedSendIsMarkedAndLeavesReplyPending();
    void textOutsideWindows1252IsNotSent();
    void sendButtonFollowsTextAndLink();
    void deleteListEmptiesLogOnly();
    void burstOfArrivalsIsOneInsertEndingOnNewestRow();
    void autoSizeColumns();
};

void CommandLineTest::sendPutsExactlyTheTextOnTheWire_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("slotRun");
    QTest::newRow("SM 1") << QStringLiteral("SM 1") << QByteArrayLiteral("SM 1") << false;
    QTest::newRow("umlaut and euro, one byte each") << QStringLiteral(" Pr\u00fcf \u20AC")
                                                    << QByteArrayLiteral(" Pr\xFC"
                                                                         "f \x80")
                                                    << false;
    // Longer than a line edit holds: the run sends it whole, and the command line shows what it can.
    const QByteArray longCommand = "XC 1 " + QByteArray(48000 - 5, 'a');
    QTest::newRow("48,000 characters from a slot") << QString::fromLatin1(longCommand) << longCommand << true;
}

void CommandLineTest::sendPutsExactlyTheTextOnTheWire() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, slotRun);
    Fixture f(true);
    WAIT_USABLE(f);
    if (slotRun) {
        f.h.window->runner()->RunSlotScript({{text, QString()}});
    } else {
        f.ui().txtSend->setText(text);
        QTest::mouseClick(f.ui().cmdSend, Qt::LeftButton);
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, bytes, Timeout);
    QCOMPARE(f.ui().txtSend->text(), text.left(f.ui().txtSend->maxLength()));
    QCOMPARE(f.cell(0, MessageLog::ModeColumn), QStringLiteral("Set"));
    QCOMPARE(f.cell(0, MessageLog::ParameterColumn), text);

    // Nothing follows the command: Enter sends the next one right after it.
    f.ui().txtSend->setText(QStringLiteral("X"));
    QTest::keyClick(f.ui().txtSend, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, bytes + 'X', Timeout);
}

void CommandLineTest::replyPendingAndTheLog() {
    Fixture f(true);
    WAIT_USABLE(f);
    CommandLine* line = f.line();
    QSignalSpy changes(line, &CommandLine::replyPendingChanged);
    UtcClock::setFixed(QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC));
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(line->SendCommandLine());
    QVERIFY(line->ReplyPending());
    QCOMPARE(f.cell(0, MessageLog::TimeColumn), QStringLiteral("23:59:59:500"));

    // Data without a colon leaves it set.
    f.peer.reply(QByteArrayLiteral("busy"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 2, Timeout);
    QVERIFY(line->ReplyPending());

    // A colon anywhere clears it; the arrival is logged whole, line break included, and shown.
    f.peer.reply(QByteArrayLiteral("OK: 1\r\n"));
    QVERIFY(changes.wait(Timeout));
    QVERIFY(!line->ReplyPending());
    QCOMPARE(f.log()->rowCount(), 3);
    QCOMPARE(f.cell(2, MessageLog::ModeColumn), QStringLiteral("Get"));
    QCOMPARE(f.cell(2, MessageLog::ParameterColumn), QStringLiteral("OK: 1\r\n"));
    QCOMPARE(f.ui().lsvMsg->currentIndex().row(), 2);

    // A colon while nothing is pending changes nothing.
    f.peer.reply(QByteArrayLiteral(":"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 4, Timeout);
    QVERIFY(!line->ReplyPending());
    QCOMPARE(changes.count(), 2);
}

void CommandLineTest::pendingFallsOnlyAfterTheReplyIsLogged() {
    Fixture f(true);
    WAIT_USABLE(f);
    CommandLine* line = f.line();
    // A script runner sends its next command straight from the signal.
    connect(line, &CommandLine::replyPendingChanged, this, [&](bool pending) {
        if (!pending && f.peer.received == "SM 1") {
            f.ui().txtSend->setText(QStringLiteral("SM 2"));
            line->SendCommandLine();
        }
    });
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(line->SendCommandLine());
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("SM 1"), Timeout);
    f.peer.reply(QByteArrayLiteral("SM:OK"));
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("SM 1SM 2"), Timeout);
    QCOMPARE(f.cell(1, MessageLog::ParameterColumn), QStringLiteral("SM:OK"));
    QCOMPARE(f.cell(2, MessageLog::ParameterColumn), QStringLiteral("SM 2"));
    QVERIFY(line->ReplyPending());
}

void CommandLineTest::timeStampIsUtcNotLocalTime() {
    // main() put the local zone at +05:45: a local time stamp would be hours off.
    QVERIFY(QDateTime::currentDateTime().offsetFromUtc() != 0);
    Fixture f(false);
    const QTime before = QDateTime::currentDateTimeUtc().time();
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    f.line()->SendCommandLine();
    const QTime stamp = QTime::fromString(f.cell(0, MessageLog::TimeColumn), QStringLiteral("hh:mm:ss:zzz"));
    QVERIFY(stamp.isValid());
    // Forwards on the 24-hour clock, so a send just before midnight counts too.
    const int forward = (before.msecsTo(stamp) + 24 * 3600 * 1000) % (24 * 3600 * 1000);
    QVERIFY2(forward < 60000, qPrintable(before.toString() + QLatin1Char(' ') + stamp.toString()));
}

void CommandLineTest::failedSendIsMarkedAndLeavesReplyPending_data() {
    QTest::addColumn<bool>("pendingBefore");
    QTest::newRow("nothing pending") << false;
    QTest::newRow("reply pending") << true;
}

void CommandLineTest::failedSendIsMarkedAndLeavesReplyPending() {
    QFETCH(bool, pendingBefore);
    Fixture f(false);
    f.line()->setReplyPending(pendingBefore);
    QSignalSpy changes(f.line(), &CommandLine::replyPendingChanged);
    f.ui().labCommandScriptCompleted->show();

    // As a script runner does it: the text enables the button until the next tick, and the click sends.
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    f.ui().cmdSend->click();
    QVERIFY(f.ui().labCommandScriptCompleted->isHidden());
    QCOMPARE(f.log()->rowCount(), 1);
    QCOMPARE(f.cell(0, MessageLog::ParameterColumn), QStringLiteral("SM 1"));
    QVERIFY(f.log()->index(0, 0).data(MessageLog::NotSentRole).toBool());
    for (int column = 0; column < MessageLog::ColumnCount; ++column) {
        QCOMPARE(f.log()->index(0, column).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(255, 0, 0));
        QCOMPARE(f.cell(0, column, Qt::ToolTipRole),
                 QStringLiteral("Not sent: no connection to the target system."));
    }
    QCOMPARE(f.line()->ReplyPending(), pendingBefore);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(f.h.dialogs.asked, 0);
}

void CommandLineTest::textOutsideWindows1252IsNotSent() {
    Fixture f(true);
    WAIT_USABLE(f);
    f.ui().txtSend->setText(QStringLiteral("SC \u2713 done"));
    QVERIFY(!f.line()->SendCommandLine());
    QVERIFY(!f.line()->ReplyPending());
    QVERIFY(f.log()->index(0, 2).data(MessageLog::NotSentRole).toBool());
    QCOMPARE(f.cell(0, 2, Qt::ToolTipRole), GetText(3128));

    f.ui().txtSend->setText(QStringLiteral("X"));
    QVERIFY(f.line()->SendCommandLine());
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("X"), Timeout);
    QVERIFY(!f.log()->index(1, 2).data(MessageLog::NotSentRole).toBool());
}

void CommandLineTest::sendButtonFollowsTextAndLink() {
    Fixture f(true);
    WAIT_USABLE(f);
    const MainWindowUi& ui = f.ui();
    // Usable link, empty line: off, and Enter sends nothing.
    ui.txtSend->setFocus();
    QTest::keyClick(ui.txtSend, Qt::Key_Return);
    QVERIFY(!ui.cmdSend->isEnabled());
    QCOMPARE(f.log()->size(), 0);
    QTest::keyClick(ui.txtSend, Qt::Key_S);
    QVERIFY(ui.cmdSend->isEnabled());
    QTest::keyClick(ui.txtSend, Qt::Key_Backspace);
    QVERIFY(!ui.cmdSend->isEnabled());

    // Link lost: the next tick disables it although the line holds text; back with the link.
    ui.txtSend->setText(QStringLiteral("SM 1"));
    ui.chkConnect->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(!ui.cmdSend->isEnabled(), Timeout);
    ui.chkConnect->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdSend->isEnabled(), Timeout);
}

void CommandLineTest::deleteListEmptiesLogOnly() {
    Fixture f(true);
    WAIT_USABLE(f);
    QVERIFY(!f.ui().cmdDeleteList->isEnabled());
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(f.line()->SendCommandLine());
    QVERIFY(f.ui().cmdDeleteList->isEnabled());

    QTest::mouseClick(f.ui().cmdDeleteList, Qt::LeftButton);
    QCOMPARE(f.log()->rowCount(), 0);
    QVERIFY(!f.ui().cmdDeleteList->isEnabled());
    QVERIFY(f.line()->ReplyPending());
    // The next arrival enables it again, and the reply still clears ReplyPending.
    f.peer.reply(QByteArrayLiteral("OK:"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 1, Timeout);
    QVERIFY(f.ui().cmdDeleteList->isEnabled());
    QVERIFY(!f.line()->ReplyPending());
}

void CommandLineTest::burstOfArrivalsIsOneInsertEndingOnNewestRow() {
    Fixture f(true);
    WAIT_USABLE(f);
    QSignalSpy inserts(f.log(), &QAbstractItemModel::rowsInserted);
    constexpr int Burst = 500;
    for (int i = 0; i < Burst; ++i)
        f.line()->receive(QByteArrayLiteral("row ") + QByteArray::number(i));
    // The first row of the pass is there at once; the rest arrive together when the pass ends.
    QCOMPARE(f.log()->rowCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), Burst, Timeout);
    QCOMPARE(inserts.count(), 2);
    QCOMPARE(f.ui().lsvMsg->currentIndex().row(), Burst - 1);
    QCOMPARE(f.cell(Burst - 1, MessageLog::ParameterColumn), QStringLiteral("row %1").arg(Burst - 1));
}

void CommandLineTest::autoSizeColumns() {
    QTreeWidget tree;
    tree.setHeaderLabels({QStringLiteral("A rather long column header"), QStringLiteral("D")});
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("x"), QStringLiteral("d")}));
    tree.resize(900, 200);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QHeaderView* columns = tree.header();
    AutoSizeColumns(&tree, ColumnWidth::ContentsAndHeader);
    QCOMPARE(columns->sectionSize(0), std::max(static_cast<QAbstractItemView&>(tree).sizeHintForColumn(0),
                                               columns->sectionSizeHint(0)));
    // The last column takes what is left of the width.
    QVERIFY(columns->sectionSize(1) >= tree.viewport()->width() - columns->sectionSize(0));
    AutoSizeColumns(&tree, 77);
    QCOMPARE(columns->sectionSize(0), 77);
    AutoSizeColumns(&tree, -3); // not a width code: nothing changes
    QCOMPARE(columns->sectionSize(0), 77);
}

int main(int argc, char** argv) {
    // Local time far from UTC, so a time stamp in local time would show.
    qputenv("TZ", "TLV-5:45");
    QApplication app(argc, argv);
    CommandLineTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandline.moc"
