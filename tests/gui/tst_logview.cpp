// The log and the command line as tools, in the main window: the layout at its default size and as the
// window grows, following new rows with a selection held, copy, find, the detail view and saving, and the
// command history with its keys, completion and the restart.

#include "support/GuiSupport.h"

#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/LogView.h"
#include "gui/Twips.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QSize DefaultSize(651, 445);

// Shortcuts need the window active and the focus in it.
bool activate(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QPoint inWindow(const WindowHarness& h, const char* name) {
    return h.find<QWidget>(name)->mapTo(h.window.get(), QPoint(0, 0));
}

// Every named widget's place in its parent; the pages are left out, as a hidden page keeps a stale size.
QHash<QString, QRect> places(const QWidget& window) {
    QHash<QString, QRect> all;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"SSTab1Page"_s))
            all.insert(w->objectName() + u'/' + w->parentWidget()->objectName(), w->geometry());
    }
    return all;
}

} // namespace

class LogViewTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { UtcClock::setFixed(QDateTime()); }

    void layoutFollowsTheWindow_data() {
        QTest::addColumn<QSize>("growth"); // invalid: maximised
        QTest::newRow("default size") << QSize(0, 0);
        QTest::newRow("larger") << QSize(240, 160);
        QTest::newRow("maximised") << QSize();
    }
    void layoutFollowsTheWindow() {
        QFETCH(QSize, growth);
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = h.open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), DefaultSize);
        // The designed places, in twips.
        QCOMPARE(h.find<QWidget>("lsvMsg")->geometry(), twipsRect(240, 360, 8715, 2595));
        QCOMPARE(inWindow(h, "cmdQuit"), twipsRect(8400, 6240, 0, 0).topLeft());
        const QHash<QString, QRect> before = places(w);
        const QPoint quit = inWindow(h, "cmdQuit");
        const QPoint state = inWindow(h, "labState");

        if (!growth.isValid())
            w.showMaximized();
        else
            w.resize(DefaultSize + growth);
        QTRY_VERIFY_WITH_TIMEOUT(growth == QSize(0, 0) || w.size() != DefaultSize, Timeout);
        const QSize g = w.size() - DefaultSize;
        QCOMPARE(h.find<QWidget>("lsvMsg")->size(), before.value(u"lsvMsg/fraReceive"_s).size() + g);
        QCOMPARE(h.find<QWidget>("lstCommands")->size(),
                 before.value(u"lstCommands/fraEditScript"_s).size() + g);
        QCOMPARE(inWindow(h, "cmdQuit"), quit + QPoint(g.width(), g.height()));
        QCOMPARE(inWindow(h, "labState"), state + QPoint(0, g.height()));

        // Back at the default size every widget is where it was.
        w.showNormal();
        w.resize(DefaultSize);
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), DefaultSize, Timeout);
        QCOMPARE(places(w), before);
    }

    void followingHoldsOrTakesTheSelection_data() {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<bool>("follows");
        QTest::newRow("on by default") << QStringList() << true;
        QTest::newRow("off from the menu") << QStringList{u"menu"_s} << false;
        QTest::newRow("scrolled up by hand") << QStringList{u"page up"_s} << false;
        QTest::newRow("scrolled back to the end") << QStringList{u"page up"_s, u"to end"_s} << true;
        QTest::newRow("an older row picked") << QStringList{u"up"_s} << false;
        QTest::newRow("the newest row picked again") << QStringList{u"up"_s, u"ctrl end"_s} << true;
        QTest::newRow("all rows selected") << QStringList{u"ctrl a"_s} << false;
    }
    void followingHoldsOrTakesTheSelection() {
        QFETCH(QStringList, actions);
        QFETCH(bool, follows);
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = h.open();
        QVERIFY(activate(w));
        auto* view = h.find<QTableView>("lsvMsg");
        view->setFocus();
        QScrollBar* bar = view->verticalScrollBar();
        MessageLog* log = w.session()->log();
        for (int i = 0; i < 200; ++i)
            w.session()->receive("reply " + QByteArray::number(i));
        QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 200, Timeout);
        QCOMPARE(view->currentIndex().row(), 199);
        for (const QString& action : actions) {
            if (action == u"menu")
                w.findChild<QAction*>(u"actFollow"_s)->trigger();
            else if (action == u"page up")
                bar->triggerAction(QAbstractSlider::SliderPageStepSub);
            else if (action == u"to end")
                bar->triggerAction(QAbstractSlider::SliderToMaximum);
            else if (action == u"up")
                QTest::keyClick(view, Qt::Key_Up);
            else if (action == u"ctrl end")
                QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
            else if (action == u"ctrl a")
                QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        }
        const int current = view->currentIndex().row();
        const int scrolled = bar->value();
        const qsizetype selected = view->selectionModel()->selectedRows().size();
        for (int i = 0; i < 50; ++i)
            w.session()->receive("more " + QByteArray::number(i));
        QTRY_COMPARE_WITH_TIMEOUT(log->rowCount(), 250, Timeout);
        QCOMPARE(w.findChild<QAction*>(u"actFollow"_s)->isChecked(), follows);
        QCOMPARE(view->currentIndex().row(), follows ? 249 : current);
        QCOMPARE(view->selectionModel()->selectedRows().size(), follows ? 1 : selected);
        QCOMPARE(bar->value(), follows ? bar->maximum() : scrolled);
        QVERIFY(follows || scrolled < bar->maximum());
    }

    void findBarWalksTheMatches_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("keys");    // n: Enter, p: Shift+Enter
        QTest::addColumn<QList<int>>("rows"); // the current row after typing and after each key
        QTest::newRow("from the newest row on, round the end")
            << "gp" << false << "nnp" << QList<int>{2, 3, 2, 3};
        QTest::newRow("match case") << "GP" << true << "np" << QList<int>{2, 2, 2};
        QTest::newRow("not found") << "XYZ" << false << "n" << QList<int>{4, 4};
    }
    void findBarWalksTheMatches() {
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(QString, keys);
        QFETCH(QList<int>, rows);
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = h.open();
        QVERIFY(activate(w));
        for (const char* reply : {"SM 1", "SM: OK", "GP", "gp: 3", "SP: ERROR"})
            w.session()->receive(reply);
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->currentIndex().row(), 4, Timeout);
        auto* find = h.find<QLineEdit>("txtFind");
        QVERIFY(!find->isVisible());
        h.find<QLineEdit>("txtSend")->setFocus();
        QTest::keyClick(h.find<QLineEdit>("txtSend"), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(find->isVisible() && find->hasFocus());
        h.find<QAbstractButton>("chkMatchCase")->setChecked(matchCase);
        QTest::keyClicks(find, needle);
        QCOMPARE(view->currentIndex().row(), rows.at(0));
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QTest::keyClick(find, Qt::Key_Return, keys.at(i) == u'p' ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(view->currentIndex().row(), rows.at(i + 1));
        }
        const bool found = rows.at(0) != 4;
        QCOMPARE(h.find<QLabel>("labFindResult")->text().isEmpty(), found);
        auto* delegate = qobject_cast<LogItemDelegate*>(view->itemDelegate());
        QCOMPARE(delegate->mark(), needle);
        // A match holds the view there; Escape closes the bar and takes the marks away.
        QCOMPARE(w.findChild<QAction*>(u"actFollow"_s)->isChecked(), !found);
        QTest::keyClick(find, Qt::Key_Escape);
        QVERIFY(!find->isVisible() && delegate->mark().isEmpty());
    }

    void copyDetailAndSave() {
        WindowHarness h({{u"SelTab"_s, u"1"_s}});
        MainWindow& w = h.open();
        QVERIFY(activate(w));
        UtcClock::setFixed(QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC));
        QVERIFY(!w.session()->SendCommandLine(u"SM 1"_s)); // no link: logged, not sent
        w.session()->receive("SM: OK\r\n\x01");
        auto* view = h.find<QTableView>("lsvMsg");
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 2, Timeout);
        const QString reason = GetText(TextId::NotSentNoConnection);
        QCOMPARE(view->model()->index(0, 2).data(Qt::ToolTipRole).toString(), reason);

        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 u"23:59:59:500\tSet\tSM 1\n23:59:59:500\tGet\tSM: OK\\r\\n\\x01"_s);

        // The detail view: the text with its line break, the bytes in hex, the reason of a failed send.
        for (const int row : {1, 0}) {
            view->setCurrentIndex(view->model()->index(row, 0));
            QTest::keyClick(view, Qt::Key_Return);
            QWidget* detail = w.findChild<QWidget*>(u"frmLogRow"_s);
            QVERIFY(detail && detail->isVisible());
            const QString text = detail->findChild<QPlainTextEdit*>(u"txtLogRowText"_s)->toPlainText();
            const QString hex = detail->findChild<QPlainTextEdit*>(u"txtLogRowHex"_s)->toPlainText();
            const QString summary = detail->findChild<QLabel*>(u"labLogRowSummary"_s)->text();
            QCOMPARE(text, row ? u"SM: OK\n\\x01"_s : u"SM 1"_s);
            QVERIFY(hex.startsWith(row ? u"00000000  53 4D 3A 20 4F 4B 0D 0A  01"_s
                                       : u"00000000  53 4D 20 31"_s));
            QCOMPARE(summary.contains(reason), row == 0);
            detail->close();
            QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<QWidget*>(u"frmLogRow"_s), Timeout);
        }

        // Saved whole; a file that cannot be written says where and why.
        const QString csv = h.folders.settings() + u"log.csv"_s;
        h.dialogs.saveAnswers = {csv, h.folders.settings()};
        QAction* save = w.findChild<QAction*>(u"actSaveLog"_s);
        save->trigger();
        QVERIFY(readBytes(csv).endsWith(",Get,\"SM: OK\r\n\x01\",,,\r\n"));
        save->trigger();
        QCOMPARE(h.dialogs.calls.last().kind, u"warning"_s);
        QVERIFY(h.dialogs.calls.last().text.contains(QDir::toNativeSeparators(h.folders.settings())));

        // The latency column is there on request only.
        QVERIFY(view->isColumnHidden(MessageLog::LatencyColumn));
        w.findChild<QAction*>(u"actLatency"_s)->trigger();
        QVERIFY(!view->isColumnHidden(MessageLog::LatencyColumn));
    }

    void commandLineHistoryAndCompletion() {
        LoopbackPeer peer;
        WindowHarness h({{u"Port"_s, peer.portText()},
                         {u"Name"_s, u"127.0.0.1"_s},
                         {u"Connect"_s, u"1"_s},
                         {u"SelTab"_s, u"1"_s}});
        h.open();
        auto* send = h.find<QLineEdit>("txtSend");
        auto* button = h.find<QPushButton>("cmdSend");
        QTRY_VERIFY_WITH_TIMEOUT(peer.connected(), Timeout);
        for (const QString& command : {u"SM 1"_s, u"GM"_s}) {
            send->setText(command);
            QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), Timeout);
            QTest::keyClick(send, Qt::Key_Return);
        }
        QTRY_COMPARE_WITH_TIMEOUT(peer.received, QByteArray("SM 1GM"), Timeout);
        send->setText(u"typed"_s);
        for (const auto& [key, text] : {std::pair{Qt::Key_Up, "GM"},
                                        {Qt::Key_Up, "SM 1"},
                                        {Qt::Key_Up, "SM 1"},
                                        {Qt::Key_Down, "GM"},
                                        {Qt::Key_Down, "typed"},
                                        {Qt::Key_Down, "typed"}}) {
            QTest::keyClick(send, key);
            QCOMPARE(send->text(), QLatin1String(text));
        }

        // The command word is offered from the catalogue; Tab takes it, nothing is sent.
        send->clear();
        QTest::keyClicks(send, u"g"_s);
        auto* completer = h.window->findChild<QCompleter*>();
        QVERIFY(completer && completer->popup()->isVisible());
        QTest::keyClick(completer->popup(), Qt::Key_Tab);
        QVERIFY(!completer->popup()->isVisible());
        QVERIFY(send->text().size() > 1 && send->text().startsWith(u'G'));
        QTest::keyClicks(send, u" 1"_s);
        QVERIFY(!completer->popup()->isVisible());

        // Enter while cmdSend is disabled sends nothing and keeps nothing.
        peer.dropClient();
        QTRY_VERIFY_WITH_TIMEOUT(!button->isEnabled(), Timeout);
        send->setText(u"XX"_s);
        QTest::keyClick(send, Qt::Key_Return);
        QCOMPARE(h.window->session()->log()->size(), 2);

        // The history comes back after a restart.
        h.close();
        h.open();
        QTest::keyClick(h.find<QLineEdit>("txtSend"), Qt::Key_Up);
        QCOMPARE(h.find<QLineEdit>("txtSend")->text(), u"GM"_s);
    }

    void restartKeepsThePlacement_data() {
        QTest::addColumn<QStringList>("keys"); // stored before the start, key=value
        QTest::addColumn<QString>("action");   // then, before the exit
        QTest::addColumn<QRect>("place");      // after the restart; an empty place: only this size
        QTest::addColumn<bool>("maximized");
        QTest::newRow("moved and resized") << QStringList() << "resize" << QRect(10, 20, 700, 500) << false;
        QTest::newRow("maximised") << QStringList() << "maximise" << QRect() << true;
        QTest::newRow("not numbers") << QStringList{u"WindowLeft=x"_s, u"WindowTop=6"_s, u"WindowWidth=700"_s,
                                                    u"WindowHeight=500"_s, u"WindowMaximized=yes"_s}
                                     << "" << QRect(QPoint(), DefaultSize) << false;
        QTest::newRow("smaller than the design")
            << QStringList{u"WindowLeft=5"_s, u"WindowTop=6"_s, u"WindowWidth=100"_s, u"WindowHeight=-4"_s}
            << "" << QRect(QPoint(), DefaultSize) << false;
        QTest::newRow("off every screen") << QStringList{u"WindowLeft=-9000"_s, u"WindowTop=-9000"_s,
                                                         u"WindowWidth=700"_s, u"WindowHeight=500"_s}
                                          << "" << QRect(QPoint(), QSize(700, 500)) << false;
    }
    void restartKeepsThePlacement() {
        QFETCH(QStringList, keys);
        QFETCH(QString, action);
        QFETCH(QRect, place);
        QFETCH(bool, maximized);
        WindowHarness h;
        for (const QString& pair : keys)
            h.folders.writeSetup({{pair.section(u'=', 0, 0), pair.section(u'=', 1)}});
        MainWindow* w = &h.open();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        if (action == u"resize")
            w->setGeometry(place);
        else if (action == u"maximise")
            w->showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(w->isMaximized() == maximized, Timeout);
        if (!action.isEmpty()) {
            h.close();
            w = &h.open();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
        QTRY_COMPARE_WITH_TIMEOUT(w->isMaximized(), maximized, Timeout);
        if (!place.isEmpty())
            QCOMPARE(w->size(), place.size());
        if (!place.topLeft().isNull())
            QCOMPARE(w->geometry().topLeft(), place.topLeft());
        else
            QVERIFY(w->geometry().top() > -9000);
    }
};

QTEST_MAIN(LogViewTest)
#include "tst_logview.moc"
