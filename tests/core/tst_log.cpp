// The message log as a store of rows (bytes kept whole, views told once per frame), its copy and export
// formats, the reply latency a session gives a row, and the command history: its file, which two windows
// share, and its walk.

#include "support/CoreSupport.h"

#include "core/link/CommandHistory.h"
#include "core/link/LogCapture.h"
#include "core/link/LogExport.h"
#include "core/link/LogFilter.h"
#include "core/link/LogJob.h"
#include "core/link/LogReader.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LogFilterCriteria)

namespace {
const QDateTime T0(QDate(2024, 3, 31), QTime(23, 59, 59, 500), Qt::UTC);

// Rows of every kind a log holds: sent, not sent with its reason, a command Windows-1252 cannot carry,
// replies with a latency, line breaks, quotes, commas and every byte value.
void fillSample(MessageLog& log) {
    using D = MessageLog::Direction;
    log.append(D::Set, T0, QByteArray("SM 1"));
    log.append(D::Get, T0.addMSecs(7), QByteArray("SM: OK\r\n"), 7);
    const int refused = log.appendText(D::Set, T0.addMSecs(8), u"SC \u2713"_s);
    log.markNotSent(refused, u"No link, \"really\""_s);
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    log.append(D::Get, T0.addDays(400), all, 0);
    log.append(D::Get, T0.addMSecs(9), QByteArray("a \"b\", c\n\nd"));
    log.append(D::Get, T0.addMSecs(10), QByteArray());
}

QString rowsOf(const MessageLog& log) {
    QStringList rows;
    for (int row = 0; row < log.size(); ++row)
        rows << u"%1|%2|%3|%4|%5|%6"_s.arg(log.utcMsecs(row))
                    .arg(MessageLog::directionText(log.direction(row)),
                         QString::fromLatin1(log.bytes(row).toHex()))
                    .arg(log.latencyMs(row))
                    .arg(log.notSent(row))
                    .arg(log.notSentReason(row));
    return rows.join(u'\n');
}

LogReader::Result readInto(MessageLog& log, const QString& path) {
    return LogReader::read(path, [&](QList<LogReader::Row>&& rows) { LogReader::appendRows(log, rows); });
}
} // namespace

class LogTest : public QObject {
    Q_OBJECT

private slots:
    void rowsAreStoredWholeAndShownPerFrame() {
        MessageLog log;
        QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserts(&log, &QAbstractItemModel::rowsInserted);
        // Sizes around the shared chunks' limits, in a mixed order, so rows land in shared and own chunks; a
        // few larger than a whole chunk (256 KiB), up to several MiB, among them.
        QRandomGenerator random(7);
        QList<QByteArray> stored;
        for (int i = 0; i < 150; ++i) {
            const qsizetype sizes[] = {0, 1, 300, 16383, 16384, 70000, 262144};
            const qsizetype large[] = {262145, 700 * 1024, 5 * 1024 * 1024};
            QByteArray bytes(i % 50 == 17 ? large[i / 50] : sizes[random.bounded(7)], Qt::Uninitialized);
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
        log.flush();
        const QString shown = log.index(0, MessageLog::ParameterColumn).data().toString();
        QCOMPARE(shown, QString(1000, QLatin1Char('x')) + QChar(0x2026));
        QCOMPARE(log.index(0, 0).data(MessageLog::TextRole).toString().size(), 5000);
        QCOMPARE(log.index(0, MessageLog::TimeColumn).data().toString(), u"23:59:59:500"_s);
    }

    void exportLines_data() {
        QTest::addColumn<QByteArray>("bytes"); // received: Windows-1252; sent: the command as UTF-8
        QTest::addColumn<QByteArray>("csv");   // after the time; names the direction
        QTest::addColumn<QByteArray>("json");  // after the time and the direction
        QTest::addColumn<QString>("notSent");
        QTest::addColumn<int>("latency");
        auto row = [](const char* name, const QByteArray& bytes, const QByteArray& csv,
                      const QByteArray& json, const char* notSent = "", int latency = -1) {
            QTest::newRow(name) << bytes << csv << json << QString::fromUtf8(notSent) << latency;
        };
        row("a command", "SM 1", "Set,SM 1,yes,,", "\"text\":\"SM 1\",\"sent\":true");
        row("a reply with control characters", "SM: OK\r\n\t\x01\x7F\x81\\",
            "Get,SM: OK\\r\\n\\t\\x01\\x7f\\x81\\\\,,,250",
            "\"text\":\"SM: OK\\r\\n\\t\\u0001\\u007f\xC2\x81\\\\\",\"latency_ms\":250", "", 250);
        row("quotes, comma, euro", "a \"b\", \x80\xE4", "Get,\"a \"\"b\"\", \xE2\x82\xAC\xC3\xA4\",,,",
            "\"text\":\"a \\\"b\\\", \xE2\x82\xAC\xC3\xA4\"");
        row("not sent, with the reason", "SC \xE2\x9C\x93",
            "Set,SC \xE2\x9C\x93,no,\"No link, \"\"really\"\"\",",
            "\"text\":\"SC \xE2\x9C\x93\",\"sent\":false,\"not_sent_reason\":\"No link, \\\"really\\\"\"",
            "No link, \"really\"");
        // A spreadsheet would run these: made text by an apostrophe; JSON Lines keeps them.
        row("formula", "=HYPERLINK(\"x\")", "Get,\"'=HYPERLINK(\"\"x\"\")\",,,",
            "\"text\":\"=HYPERLINK(\\\"x\\\")\"");
        row("plus", "+1+1:", "Get,'+1+1:,,,", "\"text\":\"+1+1:\"");
        row("minus, not sent", "-5", "Set,'-5,no,'@reason,",
            "\"text\":\"-5\",\"sent\":false,\"not_sent_reason\":\"@reason\"", "@reason");
        row("tab first", "\t=1", "Get,'\\t=1,,,", "\"text\":\"\\t=1\"");
        row("CR first, NUL", QByteArray("\r\0x", 3), "Get,'\\r\\x00x,,,", "\"text\":\"\\r\\u0000x\"");
        // A text's own first apostrophe gets another, since reading takes the first one off.
        row("an apostrophe first", "'=1+1", "Get,''=1+1,,,", "\"text\":\"'=1+1\"");
        row("the last C1 control", "\xC2\x9F", "Set,\\x9f,yes,,", "\"text\":\"\xC2\x9F\",\"sent\":true");
        row("a no-break space", "\xC2\xA0", "Set,\xC2\xA0,yes,,", "\"text\":\"\xC2\xA0\",\"sent\":true");
    }
    void exportLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, csv);
        QFETCH(QByteArray, json);
        QFETCH(QString, notSent);
        QFETCH(int, latency);
        const bool set = csv.startsWith("Set");
        MessageLog log;
        // A not-sent row cleared away takes its reason along; it must not stick to the new first row.
        log.markNotSent(log.appendText(MessageLog::Direction::Set, T0, u"old"_s), u"stale"_s);
        log.clear();
        const auto direction = set ? MessageLog::Direction::Set : MessageLog::Direction::Get;
        const int row = set ? log.appendText(direction, T0, QString::fromUtf8(bytes))
                            : log.append(direction, T0, bytes, latency);
        if (!notSent.isEmpty())
            log.markNotSent(row, notSent);
        QCOMPARE(LogExport::csvLine(log, row), "2024-03-31T23:59:59.500Z," + csv + "\r\n");
        QCOMPARE(LogExport::jsonLine(log, row),
                 "{\"v\":1,\"time_utc\":\"2024-03-31T23:59:59.500Z\",\"direction\":\"" + csv.first(3) +
                     "\"," + json + "}\n");
        // A copy shows the text by the same escape rule: a line a row, in the order given; rows that are not
        // there are left out. Unambiguous: the shown form, and a CSV field of it, give the text back.
        const QString text = log.text(row);
        const QString shown = LogExport::escapeControls(text);
        const QString line = u"23:59:59:500\t"_s + QString::fromLatin1(csv.first(3)) + u'\t' + shown;
        QCOMPARE(LogExport::copyText(log, {row, 7, row}), line + u'\n' + line);
        QCOMPARE(LogExport::unescapeControls(shown), std::optional<QString>(text));
        QCOMPARE(LogExport::csvText(QByteArray("'" + shown.toUtf8())), std::optional<QString>(text));
        // What the rule never writes is refused, not guessed at.
        for (const QString& bad : {u"\\q"_s, u"a\\"_s, u"\\x4"_s, u"\\x41"_s})
            QCOMPARE(LogExport::unescapeControls(bad), std::nullopt);
    }

    void find_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("flags");   // c: match case; r: a regular expression
        QTest::addColumn<QList<int>>("rows"); // the rows matched
        auto row = [](const char* name, const char* needle, const char* flags, const QList<int>& rows) {
            QTest::newRow(name) << QString::fromUtf8(needle) << QString::fromLatin1(flags) << rows;
        };
        // The rows: "SM: OK\r\n", "a\\rb", "Hello", "x\x01y", "hello", "SC \u2713" (kept as typed),
        // "Gr\xE4t".
        row("a line end", "\\r\\n", "", {0});
        row("a literal backslash r", "\\\\r", "", {1});
        row("any case", "hello", "", {2, 4});
        row("match case", "hello", "c", {4});
        row("a control byte", "\\x01", "c", {3});
        row("any case, beyond ASCII", "GR\u00c4T", "", {6});
        row("match case, by the bytes", "r\u00e4", "c", {6});
        row("match case, beyond ASCII", "Gr\u00c4t", "c", {});
        row("any case, a row kept as typed", "sc \u2713", "", {5});
        row("match case, a row kept as typed", "\u2713", "c", {5});
        row("no needle: every row matched", "", "", {0, 1, 2, 3, 4, 5, 6});
        row("regex", "^S.*OK\\\\r", "cr", {0});
        row("regex, case ignored", "^HEL+O$", "r", {2, 4});
        row("bad regex matches nothing", "(", "r", {});
    }
    void find() {
        QFETCH(QString, needle);
        QFETCH(QString, flags);
        QFETCH(QList<int>, rows);
        MessageLog log;
        for (const QByteArray& bytes : {QByteArray("SM: OK\r\n"), QByteArray("a\\rb"), QByteArray("Hello"),
                                        QByteArray("x\x01y"), QByteArray("hello")})
            log.append(MessageLog::Direction::Get, T0, bytes);
        log.appendText(MessageLog::Direction::Set, T0, u"SC \u2713"_s);
        log.append(MessageLog::Direction::Get, T0, QByteArray("Gr\xE4t"));
        const Qt::CaseSensitivity cs = flags.contains(u'c') ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const LogMatcher matcher(needle, cs, flags.contains(u'r'));
        const LogRows snapshot = log.rows();
        QList<int> matched;
        for (int row = 0; row < snapshot.size(); ++row) {
            if (matcher.matches(snapshot, row))
                matched.append(row);
        }
        QCOMPARE(matched, rows);
    }

    void save_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("only");      // empty: every row
        QTest::addColumn<int>("stopAt");           // rows done when progress says stop; -1: never
        QTest::addColumn<QByteArray>("firstLine"); // empty: nothing saved
        QTest::addColumn<int>("lineFeeds");
        const QByteArray csv = LogExport::csvHeader();
        const QByteArray json("{\"v\":1,\"time_utc\"");
        // Each row's text ends in CR LF, which CSV writes escaped: one line a row.
        QTest::newRow("csv") << "log.csv" << QList<int>{} << -1 << csv << 200001;
        QTest::newRow("any other name is csv") << "log.txt" << QList<int>{} << -1 << csv << 200001;
        QTest::newRow("jsonl") << "log.JSONL" << QList<int>{} << -1 << json << 200000;
        QTest::newRow("json") << "log.json" << QList<int>{} << -1 << json << 200000;
        QTest::newRow("the shown rows") << "log.csv" << QList<int>{3, 7, 199999} << -1 << csv << 4;
        QTest::newRow("no such folder") << "missing/log.csv" << QList<int>{} << -1 << QByteArray() << 0;
        QTest::newRow("stopped") << "log.csv" << QList<int>{} << 10 << QByteArray() << 0;
    }
    void save() {
        QFETCH(QString, name);
        QFETCH(QList<int>, only);
        QFETCH(int, stopAt);
        QFETCH(QByteArray, firstLine);
        TestFolders folders;
        MessageLog log;
        for (int i = 0; i < 200000; ++i)
            log.append(MessageLog::Direction::Get, T0, QByteArray("row " + QByteArray::number(i) + "\r\n"));
        const QString path = folders.settings() + name;
        const bool folder = !name.startsWith(u"missing");
        QVERIFY(!folder || writeBytes(path, "old"));
        const std::vector<int> rows(only.begin(), only.end());
        // A failure says why; stopping is no failure to report.
        QString error = folder ? u"unset"_s : QString();
        const bool saved = LogExport::save(log, path, LogExport::formatForPath(path), &error,
                                           only.isEmpty() ? nullptr : &rows,
                                           [stopAt](qint64 done) { return stopAt < 0 || done < stopAt; });
        QCOMPARE(saved, !firstLine.isEmpty());
        QCOMPARE(error.isEmpty(), folder);
        const QByteArray file = readBytes(path);
        if (!saved) {
            QCOMPARE(file, folder ? QByteArray("old") : QByteArray());
            return;
        }
        QVERIFY(file.startsWith(firstLine));
        QTEST(int(file.count('\n')), "lineFeeds");
        QVERIFY(file.contains("row 199999"));
        if (!only.isEmpty())
            QVERIFY(file.endsWith(",Get,row 199999\\r\\n,,,\r\n") && file.contains(",row 7\\r\\n,"));
    }

    void suffixFromTheFormat_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("jsonLines");
        QTest::addColumn<QString>("saved");
        QTest::newRow("csv, no suffix") << "/t/log" << false << "/t/log.csv";
        QTest::newRow("a suffix is kept") << "/t/log.txt" << true << "/t/log.txt";
        QTest::newRow("a dot in the folder") << "/t.d/log" << true << "/t.d/log.jsonl";
    }
    void suffixFromTheFormat() {
        QFETCH(QString, path);
        QFETCH(bool, jsonLines);
        QTEST(LogExport::withSuffix(path, jsonLines ? LogExport::Format::JsonLines : LogExport::Format::Csv),
              "saved");
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
        QTest::newRow("text, case") << with([](auto& c) { c.text = u"sm"_s, c.matchCase = true; })
                                    << QList<int>{};
        QTest::newRow("regex") << with([](auto& c) { c.text = u"^S[CM]:"_s, c.regularExpression = true; })
                               << QList<int>{2, 3};
        QTest::newRow("Set") << with([](auto& c) { c.direction = D::Set; }) << QList<int>{0, 1};
        QTest::newRow("Get") << with([](auto& c) { c.direction = D::Get; }) << QList<int>{2, 3, 4};
        QTest::newRow("not sent") << with([](auto& c) { c.notSentOnly = true; }) << QList<int>{1};
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

    void largeLogSnapshotsAndLoads() {
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

        // The snapshot saved and opened again: in the background the rows reach the log in batches, with
        // progress, and the end is reported last.
        TestFolders folders;
        const QString path = folders.settings() + u"big.jsonl"_s;
        QVERIFY(LogExport::save(snapshot, path, LogExport::Format::JsonLines));
        MessageLog back;
        LogFileLoader loader(&back);
        QSignalSpy progress(&loader, &LogFileLoader::progressed);
        QSignalSpy loaded(&loader, &LogFileLoader::finished);
        loader.load(path);
        QVERIFY(loader.loading());
        QVERIFY(loaded.wait(Timeout));
        QVERIFY(!loader.loading());
        QCOMPARE(loaded.first().first().value<LogReader::Result>().rows, snapshot.size());
        QCOMPARE(back.size(), snapshot.size());
        QCOMPARE(back.bytes(back.size() - 1), snapshot.bytes(snapshot.size() - 1));
        // Progress counts the bytes read up to the file's size.
        const qint64 size = QFileInfo(path).size();
        QVERIFY(progress.count() > 1 && progress.first().at(0).toLongLong() < size);
        QCOMPARE(progress.first().at(1).toLongLong(), size);
        QCOMPARE(progress.last().at(0).toLongLong(), size);
        // A load given up leaves what it read, and reports nothing more.
        MessageLog partial;
        {
            LogFileLoader cancelled(&partial);
            cancelled.load(path);
            cancelled.cancel();
        }
        QVERIFY(partial.size() <= snapshot.size());
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
        FixedClock clock;
        session.setClock(&clock);
        QVERIFY(connectLink(link, peer));
        QStringList completed;
        connect(&session, &Session::replyCompleted, this, [&](const QByteArray& reply, int latency) {
            completed << QString::number(latency) + u' ' + QString::fromLatin1(reply);
        });
        for (const int ms : sends) {
            clock.at = T0.addMSecs(ms);
            QVERIFY(session.SendCommandLine(u"SM 1"_s));
        }
        QList<int> shown;
        for (const QString& arrival : arrivals) {
            clock.at = T0.addMSecs(arrival.section(u' ', 0, 0).toInt());
            session.receive(arrival.section(u' ', 1).toLatin1());
            shown << session.log()->latencyMs(session.log()->size() - 1);
        }
        QCOMPARE(shown, latencies);
        QCOMPARE(completed, replies);
    }

    // Rows reach the file as the log takes them, each the export's own line, in files named for the start and
    // the target; at the size a new file, beyond the number the oldest capture files go; nothing else in the
    // folder is touched, whatever its name.
    void captureWritesRotatesAndPrunes() {
        TestFolders folders;
        const QString dir = folders.settings() + u"logs"_s;
        QVERIFY(QDir().mkpath(dir));
        const QStringList others = {u"notes.txt"_s, u"telvane_x.jsonl"_s,
                                    u"telvane_20200101T000000Z_h_1_001.jsonl.bak"_s, u"Telvane.jsonl"_s};
        for (const QString& name : others + QStringList{u"telvane_20200101T000000Z_h_1_001.jsonl"_s,
                                                        u"telvane_20200101T000000Z_h_1_002.jsonl"_s})
            QVERIFY(writeBytes(dir + u'/' + name, "keep\n"));
        FixedClock clock;
        clock.at = T0;
        MessageLog log;
        LogCapture::Options options{dir};
        options.maxFileBytes = 4096;
        options.maxFiles = 4;
        LogCapture capture(options);
        capture.setClock(&clock);
        log.append(MessageLog::Direction::Set, T0, QByteArray("before the start"));
        capture.start(&log, u"fe80::1%eth0"_s, u"6060"_s);
        QByteArray expected;
        for (int i = 0; i < 300; ++i) {
            const int row = log.append(MessageLog::Direction::Get, T0.addMSecs(i),
                                       QByteArray("reply " + QByteArray::number(i) + "\r\n"), i);
            expected += LogExport::jsonLine(log, row);
            if (i % 50 == 49)
                log.flush(); // a frame
        }
        capture.stop();
        QCOMPARE(capture.status().written, 300);
        const QStringList files = LogCapture::captureFiles(dir);
        QCOMPARE(files.size(), 4);
        QByteArray kept;
        for (const QString& name : files) {
            QVERIFY2(name.startsWith(u"telvane_20240331T235959Z_fe80--1-eth0_6060_"_s), qPrintable(name));
            const QByteArray bytes = readBytes(dir + u'/' + name);
            QVERIFY(bytes.size() <= options.maxFileBytes && bytes.endsWith('\n'));
            kept += bytes;
        }
        // The newest parts, whole lines, in order.
        QVERIFY(kept.size() > 3 * 3000 && expected.endsWith(kept));
        QCOMPARE(expected.at(expected.size() - kept.size() - 1), '\n');
        for (const QString& name : others)
            QCOMPARE(readBytes(dir + u'/' + name), QByteArray("keep\n"));

        // Another target gets its own file; a line longer than a file is written whole.
        clock.at = T0.addSecs(1);
        capture.start(&log, u"a"_s, u"1"_s);
        log.append(MessageLog::Direction::Get, T0, QByteArray(5000, 'x'));
        log.flush();
        clock.at = T0.addSecs(2);
        capture.setTarget(u"b"_s, u"2"_s);
        log.append(MessageLog::Direction::Get, T0, QByteArray("to b"));
        capture.stop();
        QCOMPARE(readBytes(dir + u"/telvane_20240401T000000Z_a_1_001.jsonl"_s).size(),
                 LogExport::jsonLine(log, log.size() - 2).size());
        QCOMPARE(readBytes(dir + u"/telvane_20240401T000001Z_b_2_001.jsonl"_s),
                 LogExport::jsonLine(log, log.size() - 1));
        QCOMPARE(LogCapture::captureFiles(dir).size(), 4);
    }

    // A full disk, a disk slower than the data: the capture says so (and stops, or drops whole batches,
    // counted), the log takes every row. (A folder it cannot make is tried with telvane-run.)
    void captureFaultsNeverStopTheLog_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("disk full") << u"full"_s;
        QTest::newRow("disk slower than the data") << u"slow"_s;
    }
    void captureFaultsNeverStopTheLog() {
        QFETCH(QString, fault);
        TestFolders folders;
        LogCapture::Options options{folders.settings() + u"logs"_s};
        QSemaphore gate; // the slow disk writes once it is open
        if (fault == u"full") {
            // The file system takes 2000 bytes, then a short write and no more.
            auto room = std::make_shared<qint64>(2000);
            options.write = [room](QFile& file, const QByteArray& bytes, QString* error) {
                const qint64 taken = std::min<qint64>(*room, bytes.size());
                *room -= file.write(bytes.first(taken));
                if (taken == bytes.size())
                    return true;
                *error = u"No space left on device"_s;
                return false;
            };
        } else {
            options.maxQueuedBytes = 1024;
            options.write = [&gate](QFile& file, const QByteArray& bytes, QString* error) {
                gate.acquire();
                gate.release();
                return file.write(bytes) == bytes.size() || (*error = file.errorString(), false);
            };
        }
        MessageLog log;
        LogCapture capture(options);
        // The fake disk lets go before the capture's end waits for it, whatever fails first.
        const auto letGo = qScopeGuard([&] { gate.release(); });
        capture.start(&log, u"h"_s, u"1"_s);
        for (int frame = 0; frame < 50; ++frame) {
            for (int i = 0; i < 20; ++i)
                log.append(MessageLog::Direction::Get, T0,
                           QByteArray("reply " + QByteArray::number(frame * 20 + i)));
            log.flush();
            if (frame == 9 && fault == u"full")
                QTRY_COMPARE_WITH_TIMEOUT(capture.status().state, LogCapture::State::Failed, Timeout);
        }
        QCOMPARE(log.size(), 1000);
        const LogCapture::Status status = capture.status();
        if (fault == u"slow") {
            QVERIFY(status.dropped > 0 && status.state == LogCapture::State::Running);
            gate.release();
            capture.stop();
            QCOMPARE(capture.status().written + capture.status().dropped, 1000);
            MessageLog back;
            const LogReader::Result result = readInto(back, capture.status().file);
            QVERIFY(result.ok() && !result.cutLastLine);
            QCOMPARE(result.rows, capture.status().written);
            return;
        }
        QCOMPARE(status.error, u"No space left on device"_s);
        // What reached the disk reads back: whole lines, the cut one skipped.
        MessageLog back;
        const LogReader::Result result = readInto(back, status.file);
        QVERIFY(result.ok() && result.cutLastLine);
        QVERIFY(result.rows > 0 && result.rows < 1000);
        QCOMPARE(back.bytes(0), log.bytes(0));
        capture.stop();
        QCOMPARE(capture.status().state, LogCapture::State::Failed);
    }

    // The reader takes back what the export and the capture write, row for row; a cut last line is skipped;
    // a file that is not a log names the line that failed.
    void readerTakesWhatTheWritersWrite_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("tail"); // appended to the saved sample
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("cut");
        using F = LogReader::Fault;
        auto row = [](const char* name, const char* file, const QByteArray& tail, F fault, int line,
                      bool cut) {
            QTest::newRow(name) << QString::fromLatin1(file) << tail << int(fault) << line << cut;
        };
        row("json lines", "log.jsonl", {}, F::None, 0, false);
        row("csv", "log.csv", {}, F::None, 0, false);
        row("json lines, cut last line", "log.jsonl", "{\"v\":1,\"time_utc\":\"2024-", F::None, 0, true);
        row("csv, cut last record", "log.csv", "2024-03-31T23:59:59.500Z,Get,\"SM: OK\r\n", F::None, 0, true);
        row("end object, unknown fields, blank line", "log.jsonl",
            "\n{\"v\":1,\"time_utc\":\"2024-03-31T23:59:59.500Z\",\"outcome\":\"completed\","
            "\"commands\":1,\"sent\":1,\"exit_status\":0}\n",
            F::None, 0, false);
        row("a foreign line after the rows", "log.jsonl", "hello\n{}\n", F::NotJson, 7, false);
        row("an object that is no row", "log.jsonl",
            "{\"time_utc\":\"yesterday\",\"direction\":\"Get\",\"text\":\"\"}\n", F::NotARow, 7, false);
        row("a newer version", "log.jsonl", "{\"v\":2,\"time_utc\":\"2024-03-31T23:59:59.500Z\"}\n",
            F::UnknownVersion, 7, false);
        // A line a row: the header, six rows, then this.
        row("csv, a record of another file", "log.csv", "1,2,3\r\n", F::BadCsv, 8, false);
    }
    void readerTakesWhatTheWritersWrite() {
        QFETCH(QString, name);
        QFETCH(QByteArray, tail);
        QFETCH(int, fault);
        TestFolders folders;
        MessageLog log;
        fillSample(log);
        const QString path = folders.settings() + name;
        QVERIFY(LogExport::save(log, path, LogExport::formatForPath(path)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append) && file.write(tail) == tail.size());
        file.close();
        MessageLog back;
        const LogReader::Result result = readInto(back, path);
        QCOMPARE(int(result.fault), fault);
        QTEST(int(result.line), "line");
        QTEST(result.cutLastLine, "cut");
        if (fault == int(LogReader::Fault::None))
            QCOMPARE(rowsOf(back), rowsOf(log));
        // A missing file says why.
        const LogReader::Result missing = readInto(back, path + u".none"_s);
        QVERIFY(missing.fault == LogReader::Fault::Unreadable && !missing.detail.isEmpty());
    }

    void historyFile_data() {
        // What the file holds, what the windows add to it in turn as they send it, and what it holds then; a
        // walk through that with Up (u) and Down (d) from a line holding "typed", and what each step puts
        // into the line ("-" for no step).
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("adds");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown");
        auto row = [](const char* name, const QByteArray& file, const QStringList& adds,
                      const QStringList& commands, const char* steps = "", const char* shown = "") {
            QTest::newRow(name) << file << adds << commands << QString::fromLatin1(steps)
                                << QString::fromLatin1(shown);
        };
        row("escapes", "SM 1\nTX a\\nb\\\\c\\r\n", {}, {u"SM 1"_s, u"TX a\nb\\c\r"_s});
        row("CRLF, no last break; Up, Down back to what was typed", "A\r\nB", {}, {u"A"_s, u"B"_s}, "uuuddd",
            "B|A|-|B|typed|-");
        row("unknown escapes kept", "X\\q\\\n", {}, {u"X\\q\\"_s});
        row("blank lines skipped; Down before Up", "\n\nA\n\n", {}, {u"A"_s}, "dud", "-|A|typed");
        row("not UTF-8", "\xFF\n", {}, {u"\uFFFD"_s});
        QByteArray many;
        QStringList newest;
        for (int i = 0; i < 600; ++i) {
            many += QByteArray::number(i) + '\n';
            if (i >= 100)
                newest.append(QString::number(i));
        }
        row("the newest 500", many, {}, newest);
        row("no file, no walk", {}, {}, {}, "ud", "-|-");
        // The same command from both windows in a row is kept once, as in one window; an empty one never.
        row("same command twice", {}, {u"GM"_s, u"GM"_s, QString(), u"SM 1"_s}, {u"GM"_s, u"SM 1"_s});
        row("bounded: the newest 500", (newest.join(u'\n') + u'\n').toUtf8(), {u"x"_s, u"y"_s},
            newest.mid(2) + QStringList{u"x"_s, u"y"_s});
        // A command that alone is longer than the file may be stays out of it; the others fit.
        const QString big(CommandHistory::MostBytes / 3, u'b');
        row("bounded in bytes", (u"small\n1"_s + big + u"\n2"_s + big + u'\n').toUtf8(),
            {u'3' + big, u'4' + big}, {u'3' + big, u'4' + big});
        row("too long alone", "small\n", {big + big + big + u"xx"_s}, {u"small"_s});
    }
    void historyFile() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, adds);
        QFETCH(QStringList, commands);
        TestFolders folders;
        const QString path = folders.settings() + CommandHistory::fileName();
        QVERIFY(file.isEmpty() || writeBytes(path, file));
        if (adds.isEmpty())
            QCOMPARE(CommandHistory::load(path).commands(), commands);
        // Each window adds what it sends as it sends it, whatever the other added since it started. Adding
        // nothing writes the file again: what is saved loads back the same.
        for (const QString& add : adds.isEmpty() ? QStringList{QString()} : adds) {
            QString error;
            QVERIFY2(CommandHistory::addToFile(path, {add}, &error), qPrintable(error));
        }
        CommandHistory history = CommandHistory::load(path);
        QCOMPARE(history.commands(), commands);
        QFETCH(QString, steps);
        QString line = u"typed"_s;
        QStringList shown;
        for (const QChar step : steps) {
            const std::optional<QString> next = step == u'u' ? history.older(line) : history.newer();
            line = next.value_or(line);
            shown << next.value_or(u"-"_s);
        }
        QTEST(shown.join(u'|'), "shown");
        // A folder in the file's place: the save fails and says why.
        QString error;
        QVERIFY(!history.save(folders.settings(), &error) && !error.isEmpty());
    }

    void historyWritersAtOnceLoseNothing() {
        TestFolders folders;
        const QString path = folders.settings() + CommandHistory::fileName();
        QVERIFY(writeBytes(path, "kept\n"));
        {
            // Two windows sending at the same moment, each write a read and a replace of the file.
            HistoryWriter a(path);
            HistoryWriter b(path);
            QSignalSpy written(&a, &HistoryWriter::written);
            QSignalSpy changedA(&a, &HistoryWriter::fileChanged);
            QSignalSpy changedB(&b, &HistoryWriter::fileChanged);
            for (int i = 0; i < 40; ++i) {
                a.add(u"a%1"_s.arg(i));
                b.add(u"b%1"_s.arg(i));
            }
            // Each command is in the file as soon as its write is done, with no exit step.
            QVERIFY(written.wait(Timeout));
            QVERIFY(written.first().at(0).toBool());
            a.waitForDone();
            b.waitForDone();
            const QStringList commands = CommandHistory::load(path).commands();
            QCOMPARE(commands.size(), 81);
            // Each window's commands in the order it sent them.
            for (const QString& window : {u"a"_s, u"b"_s}) {
                QStringList sent;
                for (int i = 0; i < 40; ++i)
                    sent << window + QString::number(i);
                QCOMPARE(commands.filter(QRegularExpression(u'^' + window)), sent);
            }
            // The window that wrote last is told the whole file; a window not walking takes it.
            auto last = [](const QSignalSpy& spy) {
                return spy.isEmpty() ? QStringList() : spy.constLast().at(0).toStringList();
            };
            QTRY_VERIFY_WITH_TIMEOUT(last(changedA) == commands || last(changedB) == commands, Timeout);
            CommandHistory window;
            window.add(u"own"_s);
            window.adopt(commands);
            QCOMPARE(window.commands(), commands);
            QCOMPARE(window.older(u"typed"_s), commands.last());
            window.adopt({u"not while walking"_s});
            QCOMPARE(window.commands(), commands);
        }
        // A pipe in the file's place is never read nor replaced; the command waits for the next try.
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        HistoryWriter writer(path);
        QSignalSpy written(&writer, &HistoryWriter::written);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not add to the command history"_s));
        writer.add(u"waits"_s);
        QVERIFY(written.wait(Timeout));
        QVERIFY(!written.first().at(0).toBool() && !QFileInfo(path).isFile());
        QVERIFY(CommandHistory::load(path).commands().isEmpty());
        QVERIFY(QFile::remove(path));
        writer.add(u"next"_s);
        QVERIFY(written.wait(Timeout));
        QCOMPARE(CommandHistory::load(path).commands(), (QStringList{u"waits"_s, u"next"_s}));
    }
};

QTEST_GUILESS_MAIN(LogTest)
#include "tst_log.moc"
