// The message log as a store of rows (bytes kept whole, views told once per frame), its copy and export
// formats, the reply latency a session gives a row, and the command history's file. (The walk with Up and
// Down is tried in the window.)

#include "support/CoreSupport.h"

#include "core/files/Platform.h"
#include "core/link/CommandHistory.h"
#include "core/link/LogExport.h"
#include "core/link/LogFilter.h"
#include "core/link/LogJob.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LogFilterCriteria)

namespace {
const QDateTime T0(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC);
}

class LogTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { UtcClock::setFixed(QDateTime()); }

    void rowsAreStoredWholeAndShownPerFrame() {
        MessageLog log;
        QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserts(&log, &QAbstractItemModel::rowsInserted);
        // Sizes around the shared chunks' limits, in a mixed order, so rows land in shared and own chunks.
        QRandomGenerator random(7);
        QList<QByteArray> stored;
        for (int i = 0; i < 150; ++i) {
            const qsizetype sizes[] = {0, 1, 300, 16383, 16384, 70000, 262144};
            QByteArray bytes(sizes[random.bounded(7)], Qt::Uninitialized);
            for (char& b : bytes)
                b = char(random.bounded(256));
            stored.append(bytes);
            log.append(MessageLog::Direction::Get, T0, bytes, i);
        }
        // Stored at once, handed to the views together in one insert.
        QCOMPARE(log.size(), 150);
        QCOMPARE(log.rowCount(), 0);
        QVERIFY(inserts.wait(Timeout));
        QCOMPARE(inserts.count(), 1);
        QCOMPARE(log.rowCount(), 150);
        for (int row = 0; row < log.size(); ++row)
            QCOMPARE(log.bytes(row), stored.at(row));
        // A long row shows its start, marked as cut; the whole text stays available.
        log.clear();
        log.append(MessageLog::Direction::Get, T0, QByteArray(5000, 'x'));
        log.appendText(MessageLog::Direction::Set, T0, u"SC \u2713"_s);
        log.flush();
        const QString shown = log.index(0, MessageLog::ParameterColumn).data().toString();
        QCOMPARE(shown, QString(MessageLog::ShownLength, QLatin1Char('x')) + QChar(0x2026));
        QCOMPARE(log.index(0, 0).data(MessageLog::TextRole).toString().size(), 5000);
        QCOMPARE(log.text(1), u"SC \u2713"_s);
        QCOMPARE(log.index(1, MessageLog::TimeColumn).data().toString(), u"23:59:59:500"_s);
        QCOMPARE(log.find(u"\u2713"_s, 0, true, Qt::CaseSensitive), 1);
    }

    void copyAndExport_data() {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("bytes"); // received: Windows-1252; sent: the command as UTF-8
        QTest::addColumn<QString>("notSent");
        QTest::addColumn<int>("latency");
        QTest::addColumn<QString>("copy");    // after the time
        QTest::addColumn<QByteArray>("csv");  // after the time
        QTest::addColumn<QByteArray>("json"); // after the time and the direction
        QTest::newRow("a command") << true << QByteArray("SM 1") << "" << -1 << u"Set\tSM 1"_s
                                   << QByteArray("Set,SM 1,yes,,")
                                   << QByteArray("\"text\":\"SM 1\",\"sent\":true");
        QTest::newRow("a reply with control characters")
            << false << QByteArray("SM: OK\r\n\t\x01\x7F\x81\\") << "" << 250
            << u"Get\tSM: OK\\r\\n\\t\\x01\\x7f\\x81\\\\"_s
            << QByteArray("Get,SM: OK\\r\\n\\t\\x01\\x7f\\x81\\\\,,,250")
            << QByteArray("\"text\":\"SM: OK\\r\\n\\t\\u0001\\u007f\xC2\x81\\\\\",\"latency_ms\":250");
        QTest::newRow("quotes, comma, euro")
            << false << QByteArray("a \"b\", \x80\xE4") << "" << -1 << u"Get\ta \"b\", \u20AC\u00E4"_s
            << QByteArray("Get,\"a \"\"b\"\", \xE2\x82\xAC\xC3\xA4\",,,")
            << QByteArray("\"text\":\"a \\\"b\\\", \xE2\x82\xAC\xC3\xA4\"");
        QTest::newRow("not sent, with the reason")
            << true << QByteArray("SC \xE2\x9C\x93") << "No link, \"really\"" << -1 << u"Set\tSC \u2713"_s
            << QByteArray("Set,SC \xE2\x9C\x93,no,\"No link, \"\"really\"\"\",")
            << QByteArray("\"text\":\"SC \xE2\x9C\x93\",\"sent\":false,\"not_sent_reason\":\"No link, "
                          "\\\"really\\\"\"");
        // A spreadsheet would run these: made text by an apostrophe; the copy and JSON Lines keep them.
        QTest::newRow("formula") << false << QByteArray("=HYPERLINK(\"x\")") << "" << -1
                                 << u"Get\t=HYPERLINK(\"x\")"_s
                                 << QByteArray("Get,\"'=HYPERLINK(\"\"x\"\")\",,,")
                                 << QByteArray("\"text\":\"=HYPERLINK(\\\"x\\\")\"");
        QTest::newRow("plus") << false << QByteArray("+1+1:") << "" << -1 << u"Get\t+1+1:"_s
                              << QByteArray("Get,'+1+1:,,,") << QByteArray("\"text\":\"+1+1:\"");
        QTest::newRow("minus, not sent") << true << QByteArray("-5") << "@reason" << -1 << u"Set\t-5"_s
                                         << QByteArray("Set,'-5,no,'@reason,")
                                         << QByteArray("\"text\":\"-5\",\"sent\":false,"
                                                       "\"not_sent_reason\":\"@reason\"");
        QTest::newRow("tab first") << false << QByteArray("\t=1") << "" << -1 << u"Get\t\\t=1"_s
                                   << QByteArray("Get,'\\t=1,,,") << QByteArray("\"text\":\"\\t=1\"");
        QTest::newRow("CR first, NUL")
            << false << QByteArray("\r\0x", 3) << "" << -1 << u"Get\t\\r\\x00x"_s
            << QByteArray("Get,'\\r\\x00x,,,") << QByteArray("\"text\":\"\\r\\u0000x\"");
    }
    void copyAndExport() {
        QFETCH(bool, set);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, notSent);
        QFETCH(int, latency);
        QFETCH(QString, copy);
        QFETCH(QByteArray, csv);
        QFETCH(QByteArray, json);
        MessageLog log;
        const auto direction = set ? MessageLog::Direction::Set : MessageLog::Direction::Get;
        const int row = set ? log.appendText(direction, T0, QString::fromUtf8(bytes))
                            : log.append(direction, T0, bytes, latency);
        if (!notSent.isEmpty())
            log.markNotSent(row, notSent);
        QCOMPARE(LogExport::copyText(log, {row}), u"23:59:59:500\t"_s + copy);
        QCOMPARE(LogExport::csvLine(log, row), "2024-03-31T23:59:59.500Z," + csv + "\r\n");
        QCOMPARE(LogExport::jsonLine(log, row),
                 "{\"v\":1,\"time_utc\":\"2024-03-31T23:59:59.500Z\",\"direction\":\"" +
                     QByteArray(set ? "Set" : "Get") + "\"," + json + "}\n");
        // Rows copy as lines in the order given; rows that are not there are left out.
        QCOMPARE(LogExport::copyText(log, {row, 7, row}).count(u'\n'), 1);
    }

    void saveWritesTheWholeLog_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("firstLine"); // empty: the save fails
        QTest::addColumn<int>("lineFeeds");
        // Each row's text ends in CR LF, which CSV writes escaped: one line a row.
        QTest::newRow("csv") << "log.csv" << LogExport::csvHeader() << 3001;
        QTest::newRow("any other name is csv") << "log.txt" << LogExport::csvHeader() << 3001;
        QTest::newRow("jsonl") << "log.JSONL" << QByteArray("{\"v\":1,\"time_utc\"") << 3000;
        QTest::newRow("json") << "log.json" << QByteArray("{\"v\":1,\"time_utc\"") << 3000;
        QTest::newRow("no such folder") << "missing/log.csv" << QByteArray() << 0;
    }
    void saveWritesTheWholeLog() {
        QFETCH(QString, name);
        QFETCH(QByteArray, firstLine);
        TestFolders folders;
        MessageLog log;
        for (int i = 0; i < 3000; ++i)
            log.append(MessageLog::Direction::Get, T0, QByteArray("line " + QByteArray::number(i) + "\r\n"));
        const QString path = folders.settings() + name;
        QString error;
        const bool saved = LogExport::save(log, path, LogExport::formatForPath(path), &error);
        QCOMPARE(saved, !firstLine.isEmpty());
        QCOMPARE(error.isEmpty(), saved);
        if (!saved)
            return;
        const QByteArray file = readBytes(path);
        QVERIFY(file.startsWith(firstLine));
        QTEST(int(file.count('\n')), "lineFeeds");
        QVERIFY(file.contains("line 2999"));
    }

    void saveOfSomeRowsOrStopped_data() {
        QTest::addColumn<QList<int>>("only"); // empty: every row
        QTest::addColumn<int>("stopAt");      // rows done when progress says stop; -1: never
        QTest::addColumn<int>("lines");       // -1: the old file stays
        QTest::newRow("all rows") << QList<int>{} << -1 << 200001;
        QTest::newRow("the shown rows") << QList<int>{3, 7, 199999} << -1 << 4;
        QTest::newRow("stopped") << QList<int>{} << 10 << -1;
    }
    void saveOfSomeRowsOrStopped() {
        QFETCH(QList<int>, only);
        QFETCH(int, stopAt);
        TestFolders folders;
        MessageLog log;
        for (int i = 0; i < 200000; ++i)
            log.append(MessageLog::Direction::Get, T0, QByteArray("row " + QByteArray::number(i)));
        const QString path = folders.settings() + u"log.csv"_s;
        QVERIFY(writeBytes(path, "old"));
        const std::vector<int> rows(only.begin(), only.end());
        QString error = u"unset"_s;
        const bool saved =
            LogExport::save(log, path, LogExport::Format::Csv, &error, only.isEmpty() ? nullptr : &rows,
                            [stopAt](qint64 done) { return stopAt < 0 || done < stopAt; });
        QCOMPARE(saved, stopAt < 0);
        QVERIFY(error.isEmpty()); // stopping is no failure to report
        const QByteArray file = readBytes(path);
        if (stopAt >= 0) {
            QCOMPARE(file, QByteArray("old"));
            return;
        }
        QTEST(int(file.count('\n')), "lines");
        if (!only.isEmpty())
            QVERIFY(file.endsWith(",Get,row 199999,,,\r\n") && file.contains(",row 7,"));
    }

    void suffixFromTheFormat_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("jsonLines");
        QTest::addColumn<QString>("saved");
        QTest::newRow("csv, no suffix") << "/t/log" << false << "/t/log.csv";
        QTest::newRow("jsonl, no suffix") << "/t/log" << true << "/t/log.jsonl";
        QTest::newRow("a suffix is kept") << "/t/log.txt" << true << "/t/log.txt";
        QTest::newRow("a dot in the folder") << "/t.d/log" << true << "/t.d/log.jsonl";
        QTest::newRow("a folder") << "/t/" << false << "/t/";
    }
    void suffixFromTheFormat() {
        QFETCH(QString, path);
        QFETCH(bool, jsonLines);
        QTEST(LogExport::withSuffix(path, jsonLines ? LogExport::Format::JsonLines : LogExport::Format::Csv),
              "saved");
    }

    void escapeRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << u"SM 1 ä€"_s << u"SM 1 ä€"_s;
        QTest::newRow("a backslash is doubled") << u"a\\rb\\"_s << u"a\\\\rb\\\\"_s;
        QTest::newRow("line ends and tab") << u"\r\n\t"_s << u"\\r\\n\\t"_s;
        QTest::newRow("C0, DEL, C1") << u"\x00\x1b\x7f\u0085\u009f"_s << u"\\x00\\x1b\\x7f\\x85\\x9f"_s;
        QTest::newRow("no-break space is no control") << u"\u00a0"_s << u"\u00a0"_s;
    }
    void escapeRule() {
        QFETCH(QString, text);
        QTEST(LogExport::escapeControls(text), "shown");
    }

    void findMatchesTheShownForm_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("regex");
        QTest::addColumn<QList<int>>("rows");
        QTest::newRow("line end") << u"\\r\\n"_s << false << false << QList<int>{0};
        QTest::newRow("a literal backslash r") << u"\\\\r"_s << false << false << QList<int>{1};
        QTest::newRow("case ignored") << u"hello"_s << false << false << QList<int>{2, 4};
        QTest::newRow("case kept") << u"hello"_s << true << false << QList<int>{4};
        QTest::newRow("a control byte") << u"\\x01"_s << true << false << QList<int>{3};
        QTest::newRow("a UTF-8 command") << u"\u2713"_s << true << false << QList<int>{5};
        QTest::newRow("regex") << u"^S.*OK\\\\r"_s << true << true << QList<int>{0};
        QTest::newRow("regex, case ignored") << u"^HEL+O$"_s << false << true << QList<int>{2, 4};
        QTest::newRow("bad regex matches nothing") << u"("_s << false << true << QList<int>{};
    }
    void findMatchesTheShownForm() {
        QFETCH(QString, needle);
        QFETCH(bool, matchCase);
        QFETCH(bool, regex);
        QFETCH(QList<int>, rows);
        MessageLog log;
        for (const QByteArray& bytes : {QByteArray("SM: OK\r\n"), QByteArray("a\\rb"), QByteArray("Hello"),
                                        QByteArray("x\x01y"), QByteArray("hello")})
            log.append(MessageLog::Direction::Get, T0, bytes);
        log.appendText(MessageLog::Direction::Set, T0, u"SC \u2713"_s);
        const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const LogMatcher matcher(needle, cs, regex);
        const LogRows snapshot = log.rows();
        QList<int> found;
        for (int row = 0; row < snapshot.size(); ++row) {
            if (matcher.matches(snapshot, row))
                found.append(row);
        }
        QCOMPARE(found, rows);
        // find goes from row 3 on, wrapping round the end.
        if (!regex) {
            const auto next = std::find_if(rows.begin(), rows.end(), [](int row) { return row >= 3; });
            QCOMPARE(log.find(needle, 3, true, cs), rows.isEmpty()       ? -1
                                                    : next != rows.end() ? *next
                                                                         : rows[0]);
        }
    }

    void filterPassesRows_data() {
        using D = LogFilterCriteria::Direction;
        QTest::addColumn<LogFilterCriteria>("criteria");
        QTest::addColumn<QList<int>>("rows");
        auto with = [](auto change) {
            LogFilterCriteria criteria;
            change(criteria);
            return criteria;
        };
        QTest::newRow("nothing set: every row") << LogFilterCriteria{} << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("text") << with([](auto& c) { c.text = u"sm"_s; }) << QList<int>{0, 2};
        QTest::newRow("text, case") << with([](auto& c) { c.text = u"sm"_s, c.matchCase = true; })
                                    << QList<int>{};
        QTest::newRow("regex") << with([](auto& c) { c.text = u"^S[CM]:"_s, c.regularExpression = true; })
                               << QList<int>{2, 3};
        QTest::newRow("Set") << with([](auto& c) { c.direction = D::Set; }) << QList<int>{0, 1};
        QTest::newRow("Get") << with([](auto& c) { c.direction = D::Get; }) << QList<int>{2, 3, 4};
        QTest::newRow("not sent") << with([](auto& c) { c.notSentOnly = true; }) << QList<int>{1};
        QTest::newRow("error replies")
            << with([](auto& c) { c.errorRepliesOnly = true, c.errorText = u"ERROR"_s; }) << QList<int>{3};
        QTest::newRow("error replies, no error text")
            << with([](auto& c) { c.errorRepliesOnly = true; }) << QList<int>{};
        QTest::newRow("slower than 20 ms") << with([](auto& c) { c.slowerThanMs = 20; }) << QList<int>{3};
        QTest::newRow("slower than 0 ms") << with([](auto& c) { c.slowerThanMs = 0; }) << QList<int>{2, 3};
        QTest::newRow("all must hold")
            << with([](auto& c) { c.direction = D::Get, c.text = u"S"_s, c.slowerThanMs = 100; })
            << QList<int>{3};
    }
    void filterPassesRows() {
        QFETCH(LogFilterCriteria, criteria);
        MessageLog log;
        log.append(MessageLog::Direction::Set, T0, "SM 1");
        log.markNotSent(log.append(MessageLog::Direction::Set, T0, "SC 2"), u"no link"_s);
        log.append(MessageLog::Direction::Get, T0, "SM: OK", 20);
        log.append(MessageLog::Direction::Get, T0, "SC: ERROR 5", 300);
        log.append(MessageLog::Direction::Get, T0, "noise SC 2");
        const LogFilter filter(criteria);
        QList<int> passed;
        for (int row = 0; row < log.size(); ++row) {
            if (filter.passes(log, row))
                passed.append(row);
        }
        QTEST(passed, "rows");
        QCOMPARE(criteria.isEmpty(), passed.size() == log.size());
    }

    void snapshotsReadWhileTheLogGrows() {
        // A worker reads a snapshot while this thread appends past a block of row records and then
        // clears the log: the snapshot keeps its rows, exactly.
        auto rowBytes = [](int i) {
            return QByteArray(QByteArray::number(i * 7919) + QByteArray(i % 50, 'x'));
        };
        MessageLog log;
        for (int i = 0; i < 70000; ++i)
            log.append(MessageLog::Direction::Get, T0.addMSecs(i), rowBytes(i), i);
        const LogRows snapshot = log.rows();
        std::atomic<int> wrong{-1};
        LogJob job(snapshot.size(), [&](LogJob::Control& control) {
            for (int i = 0; i < snapshot.size() && control.proceed(i); ++i) {
                if (snapshot.bytes(i) != rowBytes(i) || snapshot.latencyMs(i) != i ||
                    snapshot.utcMsecs(i) != T0.addMSecs(i).toMSecsSinceEpoch())
                    wrong = i;
            }
            return true;
        });
        QSignalSpy finished(&job, &LogJob::finished);
        job.start();
        for (int i = 0; i < 140000; ++i)
            log.append(MessageLog::Direction::Set, T0, "more");
        log.clear();
        log.append(MessageLog::Direction::Set, T0, "after");
        QVERIFY(finished.wait(Timeout));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(wrong.load(), -1);
        QCOMPARE(snapshot.size(), 70000);
        QCOMPARE(snapshot.latest().size(), 210000); // the old store, grown before the clear
        QCOMPARE(log.rows().size(), 1);
        // Cancelled: the work sees it and ends, reported as not completed.
        LogJob endless(1, [](LogJob::Control& control) {
            while (control.proceed(0)) {
            }
            return true;
        });
        QSignalSpy ended(&endless, &LogJob::finished);
        endless.start();
        endless.cancel();
        QVERIFY(ended.wait(Timeout));
        QCOMPARE(ended.at(0).at(0).toBool(), false);
    }

    void replyCarriesItsLatency_data() {
        QTest::addColumn<QList<int>>("sends");     // ms after T0 of each command sent
        QTest::addColumn<QStringList>("arrivals"); // "ms bytes", ms after T0
        QTest::addColumn<QList<int>>("latencies"); // of each arrival's row
        QTest::addColumn<QStringList>("replies");  // completed, in order, with their latency
        auto row = [](const char* name, QList<int> sends, QStringList arrivals, QList<int> latencies,
                      QStringList replies) {
            QTest::newRow(name) << sends << arrivals << latencies << replies;
        };
        row("a reply", {0}, {u"250 SM: OK\r\n"_s}, {250}, {u"250 SM: OK\r\n"_s});
        row("no colon, no reply", {0}, {u"250 busy"_s}, {-1}, {});
        // Each reply pairs with the oldest command still waiting, not with the newest.
        row("first in, first out", {0, 122}, {u"400 A: 1\r\n"_s, u"522 B: 2\r\n"_s}, {400, 400},
            {u"400 A: 1\r\n"_s, u"400 B: 2\r\n"_s});
        row("two replies in one arrival, then none waits", {0, 100},
            {u"300 A: 1\r\nB: 2\r\n"_s, u"400 C: 3\r\n"_s}, {300, -1},
            {u"300 A: 1\r\n"_s, u"200 B: 2\r\n"_s});
        row("cut before the colon", {0}, {u"100 SM"_s, u"250 : OK\r\n"_s}, {-1, 250}, {u"250 SM: OK\r\n"_s});
        row("cut right after the colon", {0}, {u"100 SP:"_s, u"300  ERROR x\r\n"_s}, {100, -1},
            {u"100 SP: ERROR x\r\n"_s});
        row("cut inside CR LF", {0}, {u"100 SP: OK\r"_s, u"300 \n"_s, u"400 GM: 1"_s}, {100, -1, -1},
            {u"100 SP: OK\r"_s});
        row("clock set back", {500}, {u"250 :\n"_s}, {0}, {u"0 :\n"_s});
        row("nothing pending", {}, {u"250 :\n"_s}, {-1}, {});
    }
    void replyCarriesItsLatency() {
        QFETCH(QList<int>, sends);
        QFETCH(QStringList, arrivals);
        QFETCH(QList<int>, latencies);
        QFETCH(QStringList, replies);
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        QVERIFY(connectLink(link, peer));
        QStringList completed;
        connect(&session, &Session::replyCompleted, this, [&](const QByteArray& reply, int latency) {
            completed << QString::number(latency) + u' ' + QString::fromLatin1(reply);
        });
        for (const int ms : sends) {
            UtcClock::setFixed(T0.addMSecs(ms));
            QVERIFY(session.SendCommandLine(u"SM 1"_s));
        }
        QList<int> shown;
        for (const QString& arrival : arrivals) {
            UtcClock::setFixed(T0.addMSecs(arrival.section(u' ', 0, 0).toInt()));
            session.receive(arrival.section(u' ', 1).toLatin1());
            const int row = session.log()->size() - 1;
            shown << session.log()->latencyMs(row);
            session.log()->flush();
            QCOMPARE(session.log()->index(row, MessageLog::LatencyColumn).data().toString(),
                     shown.last() < 0 ? QString() : u"%1 ms"_s.arg(shown.last()));
        }
        QCOMPARE(shown, latencies);
        QCOMPARE(completed, replies);
    }

    void historyFile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("escapes") << QByteArray("SM 1\nTX a\\nb\\\\c\\r\n")
                                 << QStringList{u"SM 1"_s, u"TX a\nb\\c\r"_s};
        QTest::newRow("CRLF, no last break") << QByteArray("A\r\nB") << QStringList{u"A"_s, u"B"_s};
        QTest::newRow("unknown escapes kept") << QByteArray("X\\q\\\n") << QStringList{u"X\\q\\"_s};
        QTest::newRow("blank lines skipped") << QByteArray("\n\nA\n\n") << QStringList{u"A"_s};
        QTest::newRow("not UTF-8") << QByteArray("\xFF\n") << QStringList{u"\uFFFD"_s};
        QByteArray many;
        QStringList newest;
        for (int i = 0; i < 600; ++i) {
            many += QByteArray::number(i) + '\n';
            if (i >= 100)
                newest.append(QString::number(i));
        }
        QTest::newRow("the newest 500") << many << newest;
        QTest::newRow("no file") << QByteArray() << QStringList();
    }
    void historyFile() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, commands);
        TestFolders folders;
        const QString path = folders.settings() + CommandHistory::fileName();
        QVERIFY(file.isEmpty() || writeBytes(path, file));
        CommandHistory history = CommandHistory::load(path);
        QCOMPARE(history.commands(), commands);
        // The newest once more, or nothing, adds nothing.
        history.add(commands.value(commands.size() - 1));
        history.add({});
        QCOMPARE(history.commands(), commands);
        // What is saved loads back the same.
        QVERIFY(history.save(path));
        QCOMPARE(CommandHistory::load(path).commands(), commands);
        // A folder in the file's place: the save fails and says why.
        QString error;
        QVERIFY(!history.save(folders.settings(), &error) && !error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LogTest)
#include "tst_log.moc"
