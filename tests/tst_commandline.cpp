// The command line and the message log against a real peer on the loopback address: what goes on the wire,
// what the log shows, ReplyPending, the enabling of the buttons, and the column auto-size.

#include "LinkHarness.h"

#include "app/Platform.h"
#include "app/Texts.h"
#include "link/AutoSizeColumns.h"
#include "link/CommandLine.h"
#include "link/MessageLog.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A connected main window with its log under the model tester.
struct Connected {
    LoopbackPeer peer;
    WindowHarness h{peer.portText(), true};
    QAbstractItemModelTester tester{h.window->commandLine()->log(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};

    CommandLine* line() const { return h.window->commandLine(); }
    MessageLog* log() const { return line()->log(); }
    const MainWindowUi& ui() const { return h.ui(); }
};

// A main window whose link stays closed.
struct Offline {
    WindowHarness h{QString::number(refusingPort()), false};
    QAbstractItemModelTester tester{h.window->commandLine()->log(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest};

    CommandLine* line() const { return h.window->commandLine(); }
    MessageLog* log() const { return line()->log(); }
    const MainWindowUi& ui() const { return h.ui(); }
};

QString cell(const MessageLog* log, int row, int column, int role = Qt::DisplayRole) {
    return log->index(row, column).data(role).toString();
}

int lastRow(const MessageLog* log) {
    return log->rowCount() - 1;
}

// Milliseconds from a to b forwards on the 24-hour clock.
int msecsForward(QTime a, QTime b) {
    constexpr int Day = 24 * 60 * 60 * 1000;
    return ((b.msecsSinceStartOfDay() - a.msecsSinceStartOfDay()) % Day + Day) % Day;
}

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
    void cleanup();

    void logHasThreeColumnsWithHeaders();
    void sendPutsExactlyTheTextOnTheWire_data();
    void sendPutsExactlyTheTextOnTheWire();
    void enterSendsAndKeepsTheText();
    void sendLogsSetRowSelectedAndShown();
    void replyPendingFollowsSendsAndColons();
    void pendingFallsOnlyAfterTheReplyIsLogged();
    void arrivalIsLoggedWhole_data();
    void arrivalIsLoggedWhole();
    void timeFormat_data();
    void timeFormat();
    void timeStampOfFixedClock();
    void timeStampIsUtcNotLocalTime();
    void failedSendIsMarkedAndLeavesReplyPending_data();
    void failedSendIsMarkedAndLeavesReplyPending();
    void textOutsideWindows1252IsNotSent();
    void sendButtonFollowsTextAndLink();
    void enterInEmptyLineSendsNothing();
    void deleteListEmptiesLogOnly();
    void burstOfArrivalsIsOneInsertEndingOnNewestRow();
    void longMultiLineTextKeepsRowsUniform();
    void sendHidesCompletionNotice();
    void autoSizeColumns_data();
    void autoSizeColumns();
};

void CommandLineTest::cleanup() {
    UtcClock::setFixed(QDateTime());
}

void CommandLineTest::logHasThreeColumnsWithHeaders() {
    Offline f;
    MessageLog* log = f.log();
    QCOMPARE(f.ui().lsvMsg->model(), log);
    QCOMPARE(log->columnCount(), 3);
    QCOMPARE(log->rowCount(), 0);
    QCOMPARE(log->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
    QCOMPARE(log->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Mode"));
    QCOMPARE(log->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Parameter"));

    QSignalSpy changed(log, &QAbstractItemModel::headerDataChanged);
    QVERIFY(log->setHeaderData(0, Qt::Horizontal, QStringLiteral("Zeit")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(log->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Zeit"));
    QVERIFY(!log->setHeaderData(3, Qt::Horizontal, QStringLiteral("x")));
    QVERIFY(!log->setHeaderData(0, Qt::Vertical, QStringLiteral("x")));
}

void CommandLineTest::sendPutsExactlyTheTextOnTheWire_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("SM 1") << QStringLiteral("SM 1") << QByteArrayLiteral("SM 1");
    QTest::newRow("blanks kept") << QStringLiteral("  SP 3 ") << QByteArrayLiteral("  SP 3 ");
    QTest::newRow("umlauts and euro, one byte each") << QStringLiteral("Prüf \u20AC")
                                                     << QByteArrayLiteral("Pr\xFC"
                                                                          "f \x80");
    QTest::newRow("quotes and colon") << QStringLiteral("SC \"A:B\"") << QByteArrayLiteral("SC \"A:B\"");
}

void CommandLineTest::sendPutsExactlyTheTextOnTheWire() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    Connected f;
    WAIT_USABLE(f);
    f.ui().txtSend->setText(text);
    QVERIFY(f.ui().cmdSend->isEnabled());
    QTest::mouseClick(f.ui().cmdSend, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, bytes, Timeout);

    // Nothing follows the command: the next one's bytes come right after it.
    QVERIFY(f.line()->ReplyPending());
    f.ui().txtSend->setText(QStringLiteral("X"));
    QVERIFY(f.line()->SendCommandLine());
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, bytes + 'X', Timeout);
    QCOMPARE(cell(f.log(), 0, MessageLog::ParameterColumn), text);
    QCOMPARE(cell(f.log(), 0, MessageLog::ModeColumn), QStringLiteral("Set"));
    QVERIFY(!f.log()->index(0, 0).data(MessageLog::NotSentRole).toBool());
}

void CommandLineTest::enterSendsAndKeepsTheText() {
    Connected f;
    WAIT_USABLE(f);
    QLineEdit* txtSend = f.ui().txtSend;
    txtSend->setFocus();
    QTest::keyClicks(txtSend, QStringLiteral("SM 1"));
    QVERIFY(f.ui().cmdSend->isEnabled());
    QTest::keyClick(txtSend, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("SM 1"), Timeout);
    QCOMPARE(txtSend->text(), QStringLiteral("SM 1"));
    QVERIFY(f.ui().cmdSend->isEnabled());
    QTest::keyClick(txtSend, Qt::Key_Enter);
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("SM 1SM 1"), Timeout);
    QCOMPARE(f.log()->size(), 2);
}

void CommandLineTest::sendLogsSetRowSelectedAndShown() {
    Connected f;
    WAIT_USABLE(f);
    QTableView* view = f.ui().lsvMsg;
    for (int i = 0; i < 60; ++i) {
        f.line()->receive(QByteArray::number(i));
        QCoreApplication::processEvents(); // each arrival its own event-loop pass, as from the socket
    }
    view->scrollToTop();
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(f.line()->SendCommandLine());
    // The row is there, selected and in view as soon as the send returns.
    const int row = lastRow(f.log());
    QCOMPARE(row, 60);
    QCOMPARE(view->currentIndex().row(), row);
    QVERIFY(view->selectionModel()->isRowSelected(row, {}));
    QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
    QVERIFY(view->viewport()->rect().intersects(view->visualRect(f.log()->index(row, 0))));
    QVERIFY(f.ui().cmdDeleteList->isEnabled());
}

void CommandLineTest::replyPendingFollowsSendsAndColons() {
    Connected f;
    WAIT_USABLE(f);
    CommandLine* line = f.line();
    QSignalSpy changes(line, &CommandLine::replyPendingChanged);
    QVERIFY(!line->ReplyPending());

    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(line->SendCommandLine());
    QVERIFY(line->ReplyPending());
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.last().first().toBool(), true);

    // A second send while pending changes nothing.
    QVERIFY(line->SendCommandLine());
    QCOMPARE(changes.count(), 1);

    // Data without a colon leaves it set.
    f.peer.reply(QByteArrayLiteral("busy"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 3, Timeout);
    QVERIFY(line->ReplyPending());

    // A colon anywhere clears it, once for all commands sent.
    f.peer.reply(QByteArrayLiteral("OK: 1"));
    QVERIFY(changes.wait(Timeout));
    QVERIFY(!line->ReplyPending());
    QCOMPARE(changes.last().first().toBool(), false);
    QCOMPARE(f.log()->rowCount(), 4);

    // A colon while nothing is pending changes nothing.
    f.peer.reply(QByteArrayLiteral(":"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 5, Timeout);
    QVERIFY(!line->ReplyPending());
    QCOMPARE(changes.count(), 2);

    // Whoever runs scripts may clear or set it too; every change is announced.
    line->setReplyPending(true);
    line->setReplyPending(false);
    QCOMPARE(changes.count(), 4);
}

void CommandLineTest::pendingFallsOnlyAfterTheReplyIsLogged() {
    Connected f;
    WAIT_USABLE(f);
    CommandLine* line = f.line();
    // A script runner sends its next command straight from the signal.
    int sendsFromSignal = 0;
    connect(line, &CommandLine::replyPendingChanged, this, [&](bool pending) {
        if (pending || sendsFromSignal > 0)
            return;
        ++sendsFromSignal;
        f.ui().txtSend->setText(QStringLiteral("SM 2"));
        line->SendCommandLine();
    });
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(line->SendCommandLine());
    f.peer.reply(QByteArrayLiteral("SM:OK"));
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("SM 1SM 2"), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 3, Timeout);
    QCOMPARE(cell(f.log(), 0, MessageLog::ParameterColumn), QStringLiteral("SM 1"));
    QCOMPARE(cell(f.log(), 1, MessageLog::ParameterColumn), QStringLiteral("SM:OK"));
    QCOMPARE(cell(f.log(), 1, MessageLog::ModeColumn), QStringLiteral("Get"));
    QCOMPARE(cell(f.log(), 2, MessageLog::ParameterColumn), QStringLiteral("SM 2"));
    QVERIFY(line->ReplyPending());
}

void CommandLineTest::arrivalIsLoggedWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("line break at the end") << QByteArrayLiteral("OK:1\r\n") << QStringLiteral("OK:1\r\n");
    QTest::newRow("lines") << QByteArrayLiteral("A:1\nB:2\n") << QStringLiteral("A:1\nB:2\n");
    QTest::newRow("markup stays text")
        << QByteArrayLiteral("<b>x</b>&amp;") << QStringLiteral("<b>x</b>&amp;");
    QTest::newRow("Windows-1252 bytes")
        << QByteArrayLiteral("\x80\xE4\xDF") << QStringLiteral("\u20AC\u00E4\u00DF");
    QTest::newRow("NUL and controls")
        << QByteArray("a\0b\x01\x7F", 5) << QString::fromUtf16(u"a\0b\x01\x7F", 5);
}

void CommandLineTest::arrivalIsLoggedWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    Connected f;
    WAIT_USABLE(f);
    QVERIFY(!f.ui().cmdDeleteList->isEnabled());
    f.peer.reply(bytes);
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 1, Timeout);
    QCOMPARE(cell(f.log(), 0, MessageLog::ModeColumn), QStringLiteral("Get"));
    QCOMPARE(cell(f.log(), 0, MessageLog::ParameterColumn), text);
    QCOMPARE(f.ui().lsvMsg->currentIndex().row(), 0);
    QVERIFY(f.ui().cmdDeleteList->isEnabled());
    // Shown on one line, as plain characters.
    const QString shown = LogItemDelegate::OneLine(text);
    QCOMPARE(shown.size(), text.size());
    for (const QChar c : shown)
        QVERIFY(c.unicode() >= 0x20 && c != QChar(0x7F));
}

void CommandLineTest::timeFormat_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("midnight") << QTime(0, 0) << "00:00:00:000";
    QTest::newRow("last millisecond") << QTime(23, 59, 59, 999) << "23:59:59:999";
    QTest::newRow("leading zeros") << QTime(14, 5, 9, 7) << "14:05:09:007";
    QTest::newRow("tens of ms") << QTime(9, 30, 0, 50) << "09:30:00:050";
}

void CommandLineTest::timeFormat() {
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(MessageLog::FormatTime(time), text);
    QCOMPARE(MessageLog::FormatTime(time), time.toString(QStringLiteral("hh:mm:ss:zzz")));
}

void CommandLineTest::timeStampOfFixedClock() {
    Connected f;
    WAIT_USABLE(f);
    UtcClock::setFixed(QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC));
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(f.line()->SendCommandLine());
    QCOMPARE(cell(f.log(), 0, MessageLog::TimeColumn), QStringLiteral("23:59:59:500"));

    UtcClock::setFixed(QDateTime(QDate(2024, 4, 1), QTime(14, 5, 9, 7), Qt::UTC));
    f.peer.reply(QByteArrayLiteral("OK:"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 2, Timeout);
    QCOMPARE(cell(f.log(), 1, MessageLog::TimeColumn), QStringLiteral("14:05:09:007"));
}

void CommandLineTest::timeStampIsUtcNotLocalTime() {
    // main() put the local zone at +05:45: a local time stamp would be hours off.
    QVERIFY(QDateTime::currentDateTime().offsetFromUtc() != 0);
    Offline f;
    const QTime before = QDateTime::currentDateTimeUtc().time();
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    f.line()->SendCommandLine();
    const QTime after = QDateTime::currentDateTimeUtc().time();
    const QTime stamp =
        QTime::fromString(cell(f.log(), 0, MessageLog::TimeColumn), QStringLiteral("hh:mm:ss:zzz"));
    QVERIFY(stamp.isValid());
    QVERIFY2(msecsForward(before, stamp) <= msecsForward(before, after),
             qPrintable(before.toString() + QLatin1Char(' ') + stamp.toString()));
}

void CommandLineTest::failedSendIsMarkedAndLeavesReplyPending_data() {
    QTest::addColumn<bool>("pendingBefore");
    QTest::newRow("nothing pending") << false;
    QTest::newRow("reply pending") << true;
}

void CommandLineTest::failedSendIsMarkedAndLeavesReplyPending() {
    QFETCH(bool, pendingBefore);
    Offline f;
    f.line()->setReplyPending(pendingBefore);
    QSignalSpy changes(f.line(), &CommandLine::replyPendingChanged);

    // As a script runner does it: the text enables the button until the next tick, and the click sends.
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(f.ui().cmdSend->isEnabled());
    f.ui().cmdSend->click();

    QCOMPARE(f.log()->rowCount(), 1);
    const MessageLog* log = f.log();
    QCOMPARE(cell(log, 0, MessageLog::ModeColumn), QStringLiteral("Set"));
    QCOMPARE(cell(log, 0, MessageLog::ParameterColumn), QStringLiteral("SM 1"));
    QVERIFY(log->index(0, 0).data(MessageLog::NotSentRole).toBool());
    for (int column = 0; column < MessageLog::ColumnCount; ++column) {
        QCOMPARE(log->index(0, column).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 0, 0));
        QCOMPARE(cell(log, 0, column, Qt::ToolTipRole),
                 QStringLiteral("Not sent: no connection to the target system."));
    }
    QCOMPARE(f.line()->ReplyPending(), pendingBefore);
    QCOMPARE(changes.count(), 0);
    QVERIFY(!f.line()->SendCommandLine());
    QCOMPARE(f.log()->size(), 2);
    QCOMPARE(f.h.dialogs.asked, 0);
    // The tick takes the button back while the link is down.
    QTRY_VERIFY_WITH_TIMEOUT(!f.ui().cmdSend->isEnabled(), Timeout);
}

void CommandLineTest::textOutsideWindows1252IsNotSent() {
    Connected f;
    WAIT_USABLE(f);
    f.ui().txtSend->setText(QStringLiteral("SC \u2713 done"));
    QVERIFY(!f.line()->SendCommandLine());
    QVERIFY(!f.line()->ReplyPending());
    const MessageLog* log = f.log();
    QCOMPARE(cell(log, 0, MessageLog::ParameterColumn), QStringLiteral("SC \u2713 done"));
    QVERIFY(log->index(0, 2).data(MessageLog::NotSentRole).toBool());
    SetLanguageOffset(10000);
    QCOMPARE(cell(log, 0, 2, Qt::ToolTipRole), GetText(3128));
    QVERIFY(!GetText(3128).isEmpty());

    f.ui().txtSend->setText(QStringLiteral("X"));
    QVERIFY(f.line()->SendCommandLine());
    QTRY_COMPARE_WITH_TIMEOUT(f.peer.received, QByteArrayLiteral("X"), Timeout);
    QVERIFY(!log->index(1, 2).data(MessageLog::NotSentRole).toBool());
    QVERIFY(!log->index(1, 2).data(Qt::ForegroundRole).isValid());
}

void CommandLineTest::sendButtonFollowsTextAndLink() {
    Connected f;
    WAIT_USABLE(f);
    const MainWindowUi& ui = f.ui();
    QVERIFY(!ui.cmdSend->isEnabled()); // usable link, empty line
    ui.txtSend->setFocus();
    QTest::keyClick(ui.txtSend, Qt::Key_S);
    QVERIFY(ui.cmdSend->isEnabled());
    QTest::keyClick(ui.txtSend, Qt::Key_Backspace);
    QVERIFY(!ui.cmdSend->isEnabled());

    // The state tick decides from link and text.
    f.line()->setLinkUsable(true);
    QVERIFY(!ui.cmdSend->isEnabled());
    ui.txtSend->setText(QStringLiteral("SM 1"));
    f.line()->setLinkUsable(false);
    QVERIFY(!ui.cmdSend->isEnabled());
    f.line()->setLinkUsable(true);
    QVERIFY(ui.cmdSend->isEnabled());

    // Link lost: disabled by the next tick although the line holds text.
    ui.chkConnect->setChecked(false);
    QTRY_VERIFY_WITH_TIMEOUT(!ui.cmdSend->isEnabled(), Timeout);
    ui.chkConnect->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(ui.cmdSend->isEnabled(), Timeout);
}

void CommandLineTest::enterInEmptyLineSendsNothing() {
    Connected f;
    WAIT_USABLE(f);
    f.ui().txtSend->setFocus();
    QTest::keyClick(f.ui().txtSend, Qt::Key_Return);
    QVERIFY(!f.ui().cmdSend->isEnabled());
    QCOMPARE(f.log()->size(), 0);
    QVERIFY(!f.line()->ReplyPending());
}

void CommandLineTest::deleteListEmptiesLogOnly() {
    Connected f;
    WAIT_USABLE(f);
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    QVERIFY(f.line()->SendCommandLine());
    f.peer.reply(QByteArrayLiteral("wait"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 2, Timeout);
    QVERIFY(f.ui().cmdDeleteList->isEnabled());

    QTest::mouseClick(f.ui().cmdDeleteList, Qt::LeftButton);
    QCOMPARE(f.log()->rowCount(), 0);
    QCOMPARE(f.log()->size(), 0);
    QVERIFY(!f.ui().cmdDeleteList->isEnabled());
    QVERIFY(f.line()->ReplyPending());

    // The next arrival enables it again, and the reply still clears ReplyPending.
    f.peer.reply(QByteArrayLiteral("OK:"));
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 1, Timeout);
    QVERIFY(f.ui().cmdDeleteList->isEnabled());
    QVERIFY(!f.line()->ReplyPending());
    QCOMPARE(f.ui().lsvMsg->currentIndex().row(), 0);
}

void CommandLineTest::burstOfArrivalsIsOneInsertEndingOnNewestRow() {
    Connected f;
    WAIT_USABLE(f);
    MessageLog* log = f.log();
    QSignalSpy inserts(log, &QAbstractItemModel::rowsInserted);
    constexpr int Burst = 500;
    for (int i = 0; i < Burst; ++i)
        f.line()->receive(QByteArrayLiteral("row ") + QByteArray::number(i));
    // The first row of the pass is there at once; the rest arrive together when the pass ends.
    QCOMPARE(log->rowCount(), 1);
    QCOMPARE(log->size(), Burst);
    QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), Burst, Timeout);
    QCOMPARE(inserts.count(), 2);
    QCOMPARE(f.ui().lsvMsg->currentIndex().row(), Burst - 1);
    QCOMPARE(cell(log, Burst - 1, MessageLog::ParameterColumn), QStringLiteral("row %1").arg(Burst - 1));
    log->flush(); // nothing left to hand over
    QCOMPARE(inserts.count(), 2);
}

void CommandLineTest::longMultiLineTextKeepsRowsUniform() {
    Connected f;
    WAIT_USABLE(f);
    QTableView* view = f.ui().lsvMsg;
    f.line()->receive(QByteArrayLiteral("short"));
    QByteArray lines;
    for (int i = 0; i < 200; ++i)
        lines += "line " + QByteArray::number(i) + ":\r\n";
    f.line()->receive(lines);
    QTRY_COMPARE_WITH_TIMEOUT(f.log()->rowCount(), 2, Timeout);
    QCOMPARE(cell(f.log(), 1, MessageLog::ParameterColumn), QString::fromLatin1(lines));
    QCOMPARE(view->rowHeight(1), view->rowHeight(0));
    QCOMPARE(view->verticalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
    view->resizeRowsToContents(); // fixed rows ignore contents
    QCOMPARE(view->rowHeight(1), view->rowHeight(0));
    auto* delegate = qobject_cast<LogItemDelegate*>(view->itemDelegate());
    QVERIFY(delegate);
    const QString shown = delegate->displayText(f.log()->index(1, 2).data(), QLocale());
    QVERIFY(!shown.contains(QLatin1Char('\n')) && !shown.contains(QLatin1Char('\r')));
    QVERIFY(shown.startsWith(QStringLiteral("line 0:\u240D\u240Aline 1:")));
}

void CommandLineTest::sendHidesCompletionNotice() {
    Offline f;
    f.ui().labCommandScriptCompleted->show();
    f.ui().txtSend->setText(QStringLiteral("SM 1"));
    f.line()->SendCommandLine();
    QVERIFY(f.ui().labCommandScriptCompleted->isHidden());
}

void CommandLineTest::autoSizeColumns_data() {
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("table");
    QTest::newRow("tree, header wider") << "A rather long column header"
                                        << "x" << false;
    QTest::newRow("tree, content wider") << "C"
                                         << "SC \"a very long command text that is wide\"" << false;
    QTest::newRow("table, header wider") << "A rather long column header"
                                         << "x" << true;
    QTest::newRow("table, content wider") << "C"
                                          << "SC \"a very long command text that is wide\"" << true;
}

void CommandLineTest::autoSizeColumns() {
    QFETCH(QString, header);
    QFETCH(QString, content);
    QFETCH(bool, table);
    QTreeWidget tree;
    QTableWidget grid(1, 2);
    QAbstractItemView* view = table ? static_cast<QAbstractItemView*>(&grid) : &tree;
    QHeaderView* columns = table ? grid.horizontalHeader() : tree.header();
    tree.setColumnCount(2);
    tree.setHeaderLabels({header, QStringLiteral("D")});
    tree.addTopLevelItem(new QTreeWidgetItem(QStringList{content, QStringLiteral("d")}));
    grid.setHorizontalHeaderLabels({header, QStringLiteral("D")});
    grid.setItem(0, 0, new QTableWidgetItem(content));
    grid.setItem(0, 1, new QTableWidgetItem(QStringLiteral("d")));
    view->resize(900, 200);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));

    auto apply = [&](int code) {
        if (table)
            AutoSizeColumns(&grid, code);
        else
            AutoSizeColumns(&tree, code);
    };
    apply(ColumnWidth::ContentsAndHeader);
    const int first = columns->sectionSize(0);
    QCOMPARE(first, std::max(view->sizeHintForColumn(0), columns->sectionSizeHint(0)));
    QVERIFY(first > 0);
    // The last column takes what is left of the width.
    QVERIFY(columns->sectionSize(1) >= view->viewport()->width() - first);

    apply(ColumnWidth::Contents);
    QCOMPARE(columns->sectionSize(0), std::max(view->sizeHintForColumn(0), columns->minimumSectionSize()));

    apply(77);
    QCOMPARE(columns->sectionSize(0), 77);
    apply(-3); // not a width code: nothing changes
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
