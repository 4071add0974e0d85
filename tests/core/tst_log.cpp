// The message log as a store of rows (bytes kept whole, views told once per frame), its copy and export
// formats, the reply latency a session gives a row, and the command history's file. (The walk with Up and
// Down is tried in the window.)

#include "support/CoreSupport.h"

#include "core/files/Platform.h"
#include "core/link/CommandHistory.h"
#include "core/link/LogCapture.h"
#include "core/link/LogExport.h"
#include "core/link/LogReader.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"

#include <QtTest>

#include <future>

using namespace Qt::StringLiterals;

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
            << u"Get\tSM: OK\\r\\n\\t\\x01\\x7f\\x81\\"_s
            << QByteArray("Get,\"SM: OK\r\n\t\x01\x7F\xC2\x81\\\",,,250")
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
                 "{\"time_utc\":\"2024-03-31T23:59:59.500Z\",\"direction\":\"" +
                     QByteArray(set ? "Set" : "Get") + "\"," + json + "}\n");
        // Rows copy as lines in the order given; rows that are not there are left out.
        QCOMPARE(LogExport::copyText(log, {row, 7, row}).count(u'\n'), 1);
    }

    void saveWritesTheWholeLog_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("firstLine"); // empty: the save fails
        QTest::addColumn<int>("lineFeeds");
        // Each row's text ends in CR LF, which a CSV field keeps inside its quotes.
        QTest::newRow("csv") << "log.csv" << LogExport::csvHeader() << 6001;
        QTest::newRow("any other name is csv") << "log.txt" << LogExport::csvHeader() << 6001;
        QTest::newRow("jsonl") << "log.JSONL" << QByteArray("{\"time_utc\"") << 3000;
        QTest::newRow("json") << "log.json" << QByteArray("{\"time_utc\"") << 3000;
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

    void replyCarriesItsLatency_data() {
        QTest::addColumn<QList<int>>("sends"); // ms after T0 of each command sent
        QTest::addColumn<int>("at");           // ms after T0 of the arrival
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("latency");
        QTest::newRow("a reply") << QList<int>{0} << 250 << QByteArray("SM: OK") << 250;
        QTest::newRow("no colon, no reply") << QList<int>{0} << 250 << QByteArray("busy") << -1;
        QTest::newRow("from the last command sent") << QList<int>{0, 100} << 250 << QByteArray(":") << 150;
        QTest::newRow("clock set back") << QList<int>{500} << 250 << QByteArray(":") << 0;
        QTest::newRow("nothing pending") << QList<int>{} << 250 << QByteArray(":") << -1;
    }
    void replyCarriesItsLatency() {
        QFETCH(QList<int>, sends);
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QFETCH(int, latency);
        LoopbackPeer peer;
        TargetLink link;
        Session session(&link);
        QVERIFY(connectLink(link, peer));
        for (const int ms : sends) {
            UtcClock::setFixed(T0.addMSecs(ms));
            QVERIFY(session.SendCommandLine(u"SM 1"_s));
        }
        UtcClock::setFixed(T0.addMSecs(at));
        session.receive(bytes);
        const int row = session.log()->size() - 1;
        QCOMPARE(session.log()->latencyMs(row), latency);
        session.log()->flush();
        QCOMPARE(session.log()->index(row, MessageLog::LatencyColumn).data().toString(),
                 latency < 0 ? QString() : u"%1 ms"_s.arg(latency));
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
        UtcClock::setFixed(T0);
        MessageLog log;
        LogCapture::Options options{dir};
        options.maxFileBytes = 4096;
        options.maxFiles = 4;
        LogCapture capture(options);
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
        QCOMPARE(capture.status().state, LogCapture::State::Off);
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
        UtcClock::setFixed(T0.addSecs(1));
        capture.start(&log, u"a"_s, u"1"_s);
        log.append(MessageLog::Direction::Get, T0, QByteArray(5000, 'x'));
        log.flush();
        UtcClock::setFixed(T0.addSecs(2));
        capture.setTarget(u"b"_s, u"2"_s);
        log.append(MessageLog::Direction::Get, T0, QByteArray("to b"));
        capture.stop();
        QCOMPARE(readBytes(dir + u"/telvane_20240401T000000Z_a_1_001.jsonl"_s).size(),
                 LogExport::jsonLine(log, log.size() - 2).size());
        QCOMPARE(readBytes(dir + u"/telvane_20240401T000001Z_b_2_001.jsonl"_s),
                 LogExport::jsonLine(log, log.size() - 1));
        QCOMPARE(LogCapture::captureFiles(dir).size(), 4);
    }

    // A folder that cannot be written, a full disk, a disk slower than the data: the capture says so (and
    // stops, or drops whole batches, counted), the log takes every row.
    void captureFaultsNeverStopTheLog_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("folder cannot be made") << u"folder"_s;
        QTest::newRow("disk full") << u"full"_s;
        QTest::newRow("disk slower than the data") << u"slow"_s;
    }
    void captureFaultsNeverStopTheLog() {
        QFETCH(QString, fault);
        TestFolders folders;
        LogCapture::Options options{folders.settings() + u"logs"_s};
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        if (fault == u"folder") {
            QVERIFY(writeBytes(folders.settings() + u"file"_s, "x"));
            options.folder = folders.settings() + u"file/logs"_s;
        } else if (fault == u"full") {
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
            options.write = [released](QFile& file, const QByteArray& bytes, QString* error) {
                released.wait();
                return file.write(bytes) == bytes.size() || (*error = file.errorString(), false);
            };
        }
        MessageLog log;
        LogCapture capture(options);
        // The fake disk lets go before the capture's end waits for it, whatever fails first.
        bool releasedYet = false;
        const auto letGo = qScopeGuard([&] {
            if (!releasedYet)
                release.set_value();
        });
        capture.start(&log, u"h"_s, u"1"_s);
        for (int frame = 0; frame < 50; ++frame) {
            for (int i = 0; i < 20; ++i)
                log.append(MessageLog::Direction::Get, T0,
                           QByteArray("reply " + QByteArray::number(frame * 20 + i)));
            log.flush();
            if (frame == 9 && fault != u"slow")
                QTRY_COMPARE_WITH_TIMEOUT(capture.status().state, LogCapture::State::Failed, Timeout);
        }
        QCOMPARE(log.size(), 1000);
        const LogCapture::Status status = capture.status();
        if (fault == u"slow") {
            QVERIFY(status.dropped > 0 && status.state == LogCapture::State::Running);
            release.set_value();
            releasedYet = true;
            capture.stop();
            QCOMPARE(capture.status().written + capture.status().dropped, 1000);
            MessageLog back;
            const LogReader::Result result = readInto(back, capture.status().file);
            QVERIFY(result.ok() && !result.cutLastLine);
            QCOMPARE(result.rows, capture.status().written);
            return;
        }
        QVERIFY2(!status.error.isEmpty(), qPrintable(status.error));
        if (fault == u"folder") {
            QVERIFY(status.file.startsWith(options.folder + u"/telvane_"_s));
            QVERIFY(!QFileInfo::exists(status.file));
        } else {
            QCOMPARE(status.error, u"No space left on device"_s);
            // What reached the disk reads back: whole lines, the cut one skipped.
            MessageLog back;
            const LogReader::Result result = readInto(back, status.file);
            QVERIFY(result.ok() && result.cutLastLine);
            QVERIFY(result.rows > 0 && result.rows < 1000);
            QCOMPARE(back.bytes(0), log.bytes(0));
        }
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
        QTest::newRow("json lines") << u"log.jsonl"_s << QByteArray() << int(F::None) << 0 << false;
        QTest::newRow("csv") << u"log.csv"_s << QByteArray() << int(F::None) << 0 << false;
        QTest::newRow("json lines, cut last line")
            << u"log.jsonl"_s << QByteArray("{\"v\":1,\"time_utc\":\"2024-") << int(F::None) << 0 << true;
        QTest::newRow("csv, cut last record")
            << u"log.csv"_s << QByteArray("2024-03-31T23:59:59.500Z,Get,\"SM: OK\r\n") << int(F::None) << 0
            << true;
        QTest::newRow("end object, unknown fields, blank line")
            << u"log.jsonl"_s
            << QByteArray("\n{\"v\":1,\"time_utc\":\"2024-03-31T23:59:59.500Z\",\"outcome\":\"completed\","
                          "\"commands\":1,\"sent\":1,\"exit_status\":0}\n")
            << int(F::None) << 0 << false;
        QTest::newRow("a foreign line after the rows")
            << u"log.jsonl"_s << QByteArray("hello\n{}\n") << int(F::NotJson) << 7 << false;
        QTest::newRow("an object that is no row")
            << u"log.jsonl"_s
            << QByteArray("{\"time_utc\":\"yesterday\",\"direction\":\"Get\",\"text\":\"\"}\n")
            << int(F::NotARow) << 7 << false;
        QTest::newRow("a newer version")
            << u"log.jsonl"_s << QByteArray("{\"v\":2,\"time_utc\":\"2024-03-31T23:59:59.500Z\"}\n")
            << int(F::UnknownVersion) << 7 << false;
        QTest::newRow("csv, a record of another file")
            << u"log.csv"_s << QByteArray("1,2,3\r\n") << int(F::BadCsv) << 12
            << false; // lines as an editor counts
        QTest::newRow("another kind of file")
            << u"other.txt"_s << QByteArray() << int(F::NotALog) << 1 << false;
    }
    void readerTakesWhatTheWritersWrite() {
        QFETCH(QString, name);
        QFETCH(QByteArray, tail);
        QFETCH(int, fault);
        TestFolders folders;
        MessageLog log;
        fillSample(log);
        const QString path = folders.settings() + name;
        if (name.startsWith(u"other"))
            QVERIFY(writeBytes(path, "[General]\nkey=value\n"));
        else
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

    // In the background the rows reach the log in batches, with progress, and the end is reported last.
    void loaderFillsTheLogInTheBackground() {
        TestFolders folders;
        MessageLog log;
        for (int i = 0; i < 3 * LogReader::BatchRows + 5; ++i)
            log.append(MessageLog::Direction::Get, T0.addMSecs(i),
                       QByteArray("reply " + QByteArray::number(i)));
        const QString path = folders.settings() + u"big.jsonl"_s;
        QVERIFY(LogExport::save(log, path, LogExport::Format::JsonLines));
        MessageLog back;
        LogFileLoader loader(&back);
        QSignalSpy progress(&loader, &LogFileLoader::progressed);
        QSignalSpy finished(&loader, &LogFileLoader::finished);
        loader.load(path);
        QVERIFY(loader.loading());
        QVERIFY(finished.wait(Timeout));
        QVERIFY(!loader.loading());
        QCOMPARE(finished.first().first().value<LogReader::Result>().rows, log.size());
        QCOMPARE(back.size(), log.size());
        QCOMPARE(back.bytes(back.size() - 1), log.bytes(log.size() - 1));
        QVERIFY(progress.count() > 1);
        QCOMPARE(progress.last().at(0).toLongLong(), QFileInfo(path).size());
        // A load given up leaves what it read, and reports nothing more.
        MessageLog partial;
        {
            LogFileLoader cancelled(&partial);
            cancelled.load(path);
            cancelled.cancel();
        }
        QVERIFY(partial.size() <= log.size());
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
