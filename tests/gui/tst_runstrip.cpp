// What the window shows of a run: every notice fits its place in both languages, the progress bar says
// "i / N" and which reply it waits for, an error reply is marked in the log, and the reply checks on the
// settings tab come from Setup.ini and go back to it.

#include "support/GuiSupport.h"

#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/ScriptRunner.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"
#include "gui/LogView.h"
#include "gui/StatusStrip.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

class RunStripTest : public QObject {
    Q_OBJECT

private slots:
    void noticesFit_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("cut"); // shown cut, whole in the tooltip
        using O = RunReport::Outcome;
        QTest::newRow("processed") << int(O::Completed) << QString() << false;
        QTest::newRow("cancelled") << int(O::Cancelled) << QString() << false;
        QTest::newRow("not sent") << int(O::NotSent) << QString() << false;
        QTest::newRow("connection lost") << int(O::ConnectionLost) << QString() << false;
        QTest::newRow("timed out") << int(O::TimedOut) << u"CA 12 "_s + QString(200, u'x') << true;
        QTest::newRow("error reply") << int(O::ErrorReply) << u"SP 1 3"_s << true;
    }
    void noticesFit() {
        QFETCH(int, outcome);
        QFETCH(QString, command);
        QFETCH(bool, cut);
        WindowHarness h;
        h.open();
        auto* strip = h.find<StatusStrip>("statusStrip");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        const QRect usual = notice->geometry();
        const QFont usualFont = notice->font();
        const RunReport report{RunReport::Outcome(outcome),
                               99999,
                               99999,
                               command,
                               u"SP: ERROR production mode is not running\r\n"_s,
                               3600000};
        strip->runStarted(report.total);
        strip->runFinished(report);
        for (const int language : {0, 1}) {
            setLanguageOffset(language * EnglishOffset);
            strip->retranslate(); // worded anew, and fitted again
            const QString whole = runNotice(report);
            QVERIFY2(notice->isVisible() &&
                         notice->fontMetrics().horizontalAdvance(notice->text()) <= notice->width(),
                     qPrintable(notice->text()));
            // Clear of the help button, never smaller than the window's text; where it fits its usual place,
            // it keeps it and its look.
            QVERIFY(notice->geometry().right() < h.find<QPushButton>("cmdHelp")->geometry().left());
            QVERIFY(notice->font().pointSizeF() >= Layout::windowFont().pointSizeF());
            if (QFontMetrics(usualFont).horizontalAdvance(whole) <= usual.width())
                QVERIFY(notice->geometry() == usual && notice->font() == usualFont);
            QCOMPARE(notice->text() != whole, cut);
            QCOMPARE(notice->toolTip(), cut ? whole : QString());
        }
        setLanguageOffset(0);
    }

    void runInTheWindow() {
        LoopbackPeer peer;
        WindowHarness h({{u"Name"_s, u"127.0.0.1"_s},
                         {u"Port"_s, peer.portText()},
                         {u"Connect"_s, u"1"_s},
                         {u"SelTab"_s, u"3"_s},
                         {u"ReplyTimeout"_s, u"60"_s},
                         {u"ErrorText"_s, u"ERROR"_s}});
        QuickDialSlots memory;
        memory[0].lines = {{u"SP 1 3"_s, {}}, {u"GM"_s, {}}};
        QVERIFY(saveQuickDialFile(h.folders.defaultConfig(), memory));
        MainWindow& window = h.open();
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(h.find<QSpinBox>("cwnReplyTimeout")->value())
                     .arg(window.runner()->replyTimeout())
                     .arg(window.runner()->errorText()),
                 u"60 60000 ERROR"_s);

        auto* run = h.find<QPushButton>("cmdCommand1");
        auto* progress = h.find<QProgressBar>("prgProgress");
        auto* notice = h.find<QLabel>("labCommandScriptCompleted");
        QTRY_VERIFY_WITH_TIMEOUT(run->isEnabled() && peer.connected(), Timeout);
        run->click();
        QCOMPARE(progress->text(), u"1 / 2"_s);
        QTRY_COMPARE_WITH_TIMEOUT(progress->toolTip(), u"Waiting for the reply to: SP 1 3"_s, Timeout);
        peer.reply("SP: ERROR production mode is not running\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible() && !progress->isVisible(), Timeout);
        QCOMPARE(notice->toolTip(), u"Error reply to \"SP 1 3\": SP: ERROR production mode is not running"_s);
        // The reply's row is marked in bold as well as in colour; the command's row is not.
        auto* log = h.find<QTableView>("lsvMsg");
        auto bold = [&](int row) {
            QStyleOptionViewItem option;
            static_cast<LogItemDelegate*>(log->itemDelegate())
                ->initStyleOption(&option, log->model()->index(row, 0));
            return option.font.bold();
        };
        QTRY_COMPARE_WITH_TIMEOUT(log->model()->rowCount(), 2, Timeout);
        QVERIFY(bold(1) && !bold(0));

        // With only an error text, a run still ends with its last reply; the command line shows its last
        // command.
        h.find<QLineEdit>("txtErrorText")->setText(u"not running"_s);
        h.find<QSpinBox>("cwnReplyTimeout")->setValue(0);
        QString shownAtEnd;
        connect(window.runner(), &ScriptRunner::finished, this,
                [&] { shownAtEnd = h.find<QLineEdit>("txtSend")->text(); });
        run->click();
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("SP 1 3SP 1 3"), Timeout);
        peer.reply("SP: OK\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(peer.received.endsWith("GM") && !notice->isVisible(), Timeout);
        peer.reply("GM: 1\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Timeout);
        QCOMPARE(notice->text() + u'|' + shownAtEnd, u"Command script processed, 2 commands.|GM"_s);

        // Back to Setup.ini at exit with the other keys; a character the validator refuses never gets in.
        h.find<QLineEdit>("txtErrorText")->insert(u"\u2713"_s);
        h.close();
        const SetupSettings saved = SetupSettings::read(h.folders.setupIni(), QString());
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(saved.replyTimeout).arg(saved.errorText, saved.port),
                 u"0 not running "_s + peer.portText());
    }
};

QTEST_MAIN(RunStripTest)
#include "tst_runstrip.moc"
