// The message log as a store of rows (bytes kept whole, views told once per frame), its copy and export
// formats, the reply latency a session gives a row, and the command history's file, which two windows share.
// (The walk with Up and Down is tried in the window.)

#include "support/CoreSupport.h"

#include "core/files/Platform.h"
#include "core/link/CommandHistory.h"
#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

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

    void historyFileKeepsBothWindows_data() {
        // What the file held, then what each window adds in turn ("A:x" window A adds x); then the file.
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("adds");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("two windows interleaved")
            << QStringList{u"old"_s} << QStringList{u"A:a1"_s, u"B:b1"_s, u"A:a2"_s, u"B:b2"_s}
            << QStringList{u"old"_s, u"a1"_s, u"b1"_s, u"a2"_s, u"b2"_s};
        // The same command from both windows in a row is kept once, as one window keeps it.
        QTest::newRow("same command twice") << QStringList() << QStringList{u"A:GM"_s, u"B:GM"_s, u"A:SM 1"_s}
                                            << QStringList{u"GM"_s, u"SM 1"_s};
        QStringList full;
        for (int i = 0; i < CommandHistory::Capacity; ++i)
            full << QString::number(i);
        QTest::newRow("bounded: the newest 500")
            << full << QStringList{u"A:x"_s, u"B:y"_s} << full.mid(2) + QStringList{u"x"_s, u"y"_s};
        // A command that alone is longer than the file may be stays out of it; the others fit.
        const QString big(CommandHistory::MostBytes / 3, u'b');
        QTest::newRow("bounded in bytes")
            << QStringList{u"small"_s, u'1' + big, u'2' + big} << QStringList{u"A:3"_s + big, u"B:4"_s + big}
            << QStringList{u'3' + big, u'4' + big};
        QTest::newRow("too long alone")
            << QStringList{u"small"_s} << QStringList{u"A:"_s + big + big + big + u"xx"_s}
            << QStringList{u"small"_s};
    }
    void historyFileKeepsBothWindows() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, adds);
        QFETCH(QStringList, after);
        TestFolders folders;
        const QString path = folders.settings() + CommandHistory::fileName();
        CommandHistory old;
        for (const QString& command : before)
            old.add(command);
        QVERIFY(old.save(path));
        // Each window adds what it sends as it sends it, whatever the other added since it started.
        for (const QString& add : adds) {
            QString error;
            QVERIFY2(CommandHistory::addToFile(path, {add.mid(2)}, &error), qPrintable(error));
        }
        QCOMPARE(CommandHistory::load(path).commands(), after);
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
            QCOMPARE(commands.first(), u"kept"_s);
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
