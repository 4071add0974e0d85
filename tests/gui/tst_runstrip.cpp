// What the window shows of a run: every notice fits its place in both languages, the progress bar says
// "i / N" and which reply it waits for, an error reply is marked in the log, and the reply checks on the
// settings tab come from Setup.ini and go back to it.

#include "support/GuiSupport.h"

#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"
#include "gui/LogView.h"
#include "gui/SettingsPage.h"
#include "gui/StatusStrip.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

class RunStripTest : public QObject {
    Q_OBJECT

private slots:
    void noticesFit_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("count");     // commands sent and of the run
        QTest::addColumn<QString>("named"); // the command, and the reply of an error
        QTest::addColumn<bool>("cut");
        using O = RunReport::Outcome;
        const QString longCommand = QStringLiteral("CA 12 ") + QString(200, QLatin1Char('x'));
        QTest::newRow("processed") << int(O::Completed) << 99999 << QString() << false;
        QTest::newRow("processed, one command") << int(O::Completed) << 1 << QString() << false;
        QTest::newRow("cancelled") << int(O::Cancelled) << 99999 << QString() << false;
        QTest::newRow("not sent") << int(O::NotSent) << 3 << QString() << false;
        QTest::newRow("connection lost") << int(O::ConnectionLost) << 3 << QString() << false;
        QTest::newRow("timed out, short command") << int(O::TimedOut) << 3 << QStringLiteral("GM") << false;
        QTest::newRow("timed out, long command") << int(O::TimedOut) << 3 << longCommand << true;
        QTest::newRow("error reply") << int(O::ErrorReply) << 3 << QStringLiteral("SP 1 3") << true;
    }
    void noticesFit() {
        QFETCH(int, outcome);
        QFETCH(int, count);
        QFETCH(QString, named);
        QFETCH(bool, cut);
        WindowHarness h;
        h.open();
        auto* strip = h.find<StatusStrip>("statusStrip");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        const QRect usual = notice->geometry();
        const QFont usualFont = notice->font();
        RunReport report;
        report.outcome = RunReport::Outcome(outcome);
        report.sent = report.total = count;
        report.command = named;
        report.reply = QStringLiteral("SP: ERROR production mode is not running\r\n");
        report.timeoutMs = 3600000;
        strip->runStarted(count);
        strip->runFinished(report);
        for (const int language : {0, 1}) {
            // Worded anew on a switch, and fitted again.
            SetLanguageOffset(language * EnglishOffset);
            strip->retranslate();
            const QString whole = RunNotice(report);
            QVERIFY(notice->isVisible());
            QVERIFY2(notice->fontMetrics().horizontalAdvance(notice->text()) <= notice->width(),
                     qPrintable(notice->text()));
            // It stays clear of the help button, and where it fits its usual place it keeps it and its look.
            QVERIFY(notice->geometry().right() < h.find<QPushButton>("cmdHelp")->geometry().left());
            QVERIFY(notice->font().pointSizeF() >= Layout::windowFont().pointSizeF());
            if (QFontMetrics(usualFont).horizontalAdvance(whole) <= usual.width())
                QVERIFY(notice->geometry() == usual && notice->font() == usualFont);
            QCOMPARE(notice->text() != whole, cut);
            QCOMPARE(notice->toolTip(), cut ? whole : QString());
        }
        SetLanguageOffset(0);
    }

    void runInTheWindow() {
        LoopbackPeer peer;
        WindowHarness h({{QStringLiteral("Name"), QStringLiteral("127.0.0.1")},
                         {QStringLiteral("Port"), peer.portText()},
                         {QStringLiteral("Connect"), QStringLiteral("1")},
                         {QStringLiteral("SelTab"), QStringLiteral("3")},
                         {QStringLiteral("ReplyTimeout"), QStringLiteral("60")},
                         {QStringLiteral("ErrorText"), QStringLiteral("ERROR")}});
        QuickDialSlots memory;
        memory[0].lines = {{QStringLiteral("SP 1 3"), QString()}, {QStringLiteral("GM"), QString()}};
        QVERIFY(SaveQuickDialFile(h.folders.defaultConfig(), memory));
        MainWindow& window = h.open();
        QCOMPARE(h.find<QSpinBox>("cwnReplyTimeout")->value(), 60);
        QCOMPARE(window.runner()->replyTimeout(), 60000);
        QCOMPARE(window.runner()->errorText(), QStringLiteral("ERROR"));
        // The new captions keep clear of their boxes in both languages.
        for (const int language : {0, 1}) {
            SetLanguageOffset(language * EnglishOffset);
            h.find<SettingsPage>("SSTab1Page0")->retranslate(language, 0, true);
            QVERIFY(h.find<QLabel>("labReplyTimeout")->geometry().right() <
                    h.find<QSpinBox>("cwnReplyTimeout")->geometry().left());
            QVERIFY(h.find<QLabel>("labErrorText")->geometry().right() <
                    h.find<QLineEdit>("txtErrorText")->geometry().left());
        }
        window.ApplyLanguage();

        QTRY_VERIFY_WITH_TIMEOUT(h.find<QPushButton>("cmdCommand1")->isEnabled() && peer.connected(),
                                 Timeout);
        h.find<QPushButton>("cmdCommand1")->click();
        auto* progress = h.find<QProgressBar>("prgProgress");
        QCOMPARE(progress->text(), QStringLiteral("1 / 2"));
        QTRY_COMPARE_WITH_TIMEOUT(progress->toolTip(), QStringLiteral("Waiting for the reply to: SP 1 3"),
                                  Timeout);
        peer.reply("SP: ERROR production mode is not running\r\n");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
        QVERIFY(!progress->isVisible());
        QCOMPARE(notice->toolTip(),
                 QStringLiteral("Error reply to \"SP 1 3\": SP: ERROR production mode is not running"));
        // The reply's row is marked in bold as well as in colour; the command's row is not.
        auto* log = h.find<QTableView>("lsvMsg");
        auto* delegate = static_cast<LogItemDelegate*>(log->itemDelegate());
        auto bold = [&](int row) {
            QStyleOptionViewItem option;
            delegate->initStyleOption(&option, log->model()->index(row, MessageLog::TimeColumn));
            return option.font.bold();
        };
        QTRY_COMPARE_WITH_TIMEOUT(log->model()->rowCount(), 2, Timeout);
        QVERIFY(bold(1) && !bold(0));
        h.find<QLineEdit>("txtErrorText")->setText(QStringLiteral("not running"));
        QCOMPARE(window.runner()->errorText(), QStringLiteral("not running"));
        h.find<QSpinBox>("cwnReplyTimeout")->setValue(0);

        // With a check on, a run ends only with its last reply; the command line then shows its last command.
        QString shownAtEnd;
        connect(window.runner(), &ScriptRunner::finished, this,
                [&] { shownAtEnd = h.find<QLineEdit>("txtSend")->text(); });
        h.find<QPushButton>("cmdCommand1")->click();
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("SP 1 3SP 1 3"), Timeout);
        peer.reply("SP: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("GM"), Timeout);
        QVERIFY(!notice->isVisible() && progress->isVisible());
        peer.reply("GM: 1\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
        QCOMPARE(notice->text() + u'|' + shownAtEnd,
                 QStringLiteral("Command script processed, 2 commands.|GM"));

        // Back to Setup.ini at exit with the other keys; a text the validator refuses never gets in.
        h.find<QLineEdit>("txtErrorText")->insert(QStringLiteral("\u2713"));
        h.close();
        const SetupSettings saved = SetupSettings::read(h.folders.setupIni(), QString());
        QCOMPARE(saved.replyTimeout, 0);
        QCOMPARE(saved.errorText, QStringLiteral("not running"));
        QCOMPARE(saved.port, peer.portText());
    }
};

QTEST_MAIN(RunStripTest)
#include "tst_runstrip.moc"
