#include "core/files/Codec.h"
#include "core/files/Profile.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

class ProfileTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString file(const QString& name = QStringLiteral("t.ini")) const { return m_dir.filePath(name); }

private slots:
    void readValue_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");

        const QString s = QStringLiteral("SETTINGS");
        const QString k = QStringLiteral("Port");
        QTest::newRow("plain") << QByteArray("[SETTINGS]\r\nPort=6060\r\n") << s << k << 7 << "6060";
        QTest::newRow("case-insensitive names")
            << QByteArray("[settings]\r\nPORT=1\r\n") << QStringLiteral("Settings") << QStringLiteral("port")
            << 7 << "1";
        QTest::newRow("blanks around key and value")
            << QByteArray("[SETTINGS]\r\n \t Port \t=  6061 \t\r\n") << s << k << 7 << "6061";
        QTest::newRow("double quotes stripped, inner blanks kept")
            << QByteArray("[SETTINGS]\nPort=\" a b \"\n") << s << k << 20 << " a b ";
        QTest::newRow("single quotes stripped")
            << QByteArray("[SETTINGS]\nPort='x'\n") << s << k << 20 << "x";
        QTest::newRow("mismatched quotes kept")
            << QByteArray("[SETTINGS]\nPort=\"x'\n") << s << k << 20 << "\"x'";
        QTest::newRow("lone quote kept") << QByteArray("[SETTINGS]\nPort=\"\n") << s << k << 20 << "\"";
        QTest::newRow("first key wins") << QByteArray("[SETTINGS]\nPort=1\nPort=2\n") << s << k << 7 << "1";
        QTest::newRow("only first section searched")
            << QByteArray("[SETTINGS]\nName=a\n[SETTINGS]\nPort=2\n") << s << k << 7 << "dflt";
        QTest::newRow("key before any section is not read")
            << QByteArray("Port=9\n[SETTINGS]\n") << s << k << 7 << "dflt";
        QTest::newRow("comment line skipped")
            << QByteArray("[SETTINGS]\n;Port=1\n  ; Port=3\nPort=2\n") << s << k << 7 << "2";
        QTest::newRow("semicolon inside value is data")
            << QByteArray("[SETTINGS]\nPort=;x\n") << s << k << 7 << ";x";
        QTest::newRow("hash is not a comment")
            << QByteArray("[SETTINGS]\n#Port=1\nPort=2\n") << s << QStringLiteral("#Port") << 7 << "1";
        QTest::newRow("split at first equals")
            << QByteArray("[SETTINGS]\nPort=a=b\n") << s << k << 7 << "a=b";
        QTest::newRow("LF only") << QByteArray("[SETTINGS]\nPort=5\n") << s << k << 7 << "5";
        QTest::newRow("CR only") << QByteArray("[SETTINGS]\rName=x\rPort=5\r") << s << k << 7 << "5";
        QTest::newRow("no final line break") << QByteArray("[SETTINGS]\r\nPort=77") << s << k << 7 << "77";
        QTest::newRow("blanks inside brackets") << QByteArray("[ SETTINGS ]\nPort=4\n") << s << k << 7 << "4";
        QTest::newRow("rest after bracket ignored")
            << QByteArray("[SETTINGS] junk\nPort=4\n") << s << k << 7 << "4";
        QTest::newRow("header without closing bracket")
            << QByteArray("[SETTINGS\nPort=4\n") << s << k << 7 << "4";
        QTest::newRow("bracket without opening is no header")
            << QByteArray("[SETTINGS]\nOTHER]\nPort=4\n") << s << k << 7 << "4";
        QTest::newRow("asked names trimmed of spaces")
            << QByteArray("[SETTINGS]\nPort=4\n") << QStringLiteral(" SETTINGS ") << QStringLiteral(" Port ")
            << 7 << "4";
        QTest::newRow("line without equals ignored")
            << QByteArray("[SETTINGS]\nPort\nPort=8\n") << s << k << 7 << "8";
        QTest::newRow("cut to size - 1")
            << QByteArray("[SETTINGS]\nPort=1234567\n") << s << k << 7 << "123456";
        QTest::newRow("size 1 gives nothing") << QByteArray("[SETTINGS]\nPort=12\n") << s << k << 1 << "";
        QTest::newRow("empty value is not the default")
            << QByteArray("[SETTINGS]\nPort=\n") << s << k << 7 << "";
        QTest::newRow("missing key") << QByteArray("[SETTINGS]\nName=x\n") << s << k << 7 << "dflt";
        QTest::newRow("missing section") << QByteArray("[OTHER]\nPort=1\n") << s << k << 7 << "dflt";
        QTest::newRow("Windows-1252 bytes") << QByteArray("[SETTINGS]\nPort=Gr\xFC\xDF \x80\n") << s << k
                                            << 20 << QString::fromUtf8("Grüß €");
    }

    void readValue() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, size);
        QFETCH(QString, expected);
        QVERIFY(writeBytes(file(), content));
        int length = -1;
        const QString value = ReadProfileValue(section, key, QStringLiteral("dflt"), size, file(), &length);
        QCOMPARE(value, expected);
        QCOMPARE(length, expected.size());
    }

    void readDefaults() {
        int length = -1;
        // Trailing spaces of the default are cut; leading spaces and tabs are not.
        QCOMPARE(ReadProfileValue(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral(" d\t  "), 10,
                                  file(QStringLiteral("missing.ini")), &length),
                 QStringLiteral(" d\t"));
        QCOMPARE(length, 3);
        QCOMPARE(ReadProfileValue(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("abcdef"), 4,
                                  file(QStringLiteral("missing.ini"))),
                 QStringLiteral("abc"));
    }

    void write_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        const QString s = QStringLiteral("SETTINGS");
        QTest::newRow("new file") << QByteArray() << s << QStringLiteral("Port") << QStringLiteral("6060")
                                  << QByteArray("[SETTINGS]\r\nPort=6060\r\n");
        QTest::newRow("replace in place keeps spelling and neighbours")
            << QByteArray("; head\n[settings]\nA=1\n  port = 1 \nB=2\n") << s << QStringLiteral("PORT")
            << QStringLiteral("2") << QByteArray("; head\n[settings]\nA=1\nport=2\r\nB=2\n");
        QTest::newRow("new key after last key line, not after trailing comments")
            << QByteArray("[SETTINGS]\r\nA=1\r\n; note\r\n\r\n[OTHER]\r\nX=1\r\n") << s << QStringLiteral("B")
            << QStringLiteral("2")
            << QByteArray("[SETTINGS]\r\nA=1\r\nB=2\r\n; note\r\n\r\n[OTHER]\r\nX=1\r\n");
        QTest::newRow("new key into empty section")
            << QByteArray("[SETTINGS]\n[OTHER]\n") << s << QStringLiteral("B") << QStringLiteral("2")
            << QByteArray("[SETTINGS]\nB=2\r\n[OTHER]\n");
        QTest::newRow("new key after a last key line without line end")
            << QByteArray("[SETTINGS]\r\nK=V") << s << QStringLiteral("X") << QStringLiteral("1")
            << QByteArray("[SETTINGS]\r\nK=V\r\nX=1\r\n");
        QTest::newRow("new key after a header that ends the file")
            << QByteArray("[SETTINGS]") << s << QStringLiteral("K") << QStringLiteral("v")
            << QByteArray("[SETTINGS]\r\nK=v\r\n");
        QTest::newRow("new section after a last line without line end")
            << QByteArray("[OTHER]\nX=1") << s << QStringLiteral("K") << QStringLiteral("v")
            << QByteArray("[OTHER]\nX=1\r\n[SETTINGS]\r\nK=v\r\n");
        QTest::newRow("value blanks written as given")
            << QByteArray() << s << QStringLiteral("K") << QStringLiteral(" v ")
            << QByteArray("[SETTINGS]\r\nK= v \r\n");
        QTest::newRow("line breaks in a value become blanks")
            << QByteArray() << s << QStringLiteral("K") << QStringLiteral("a\r\nb\nc\rInjected=1")
            << QByteArray("[SETTINGS]\r\nK=a b c Injected=1\r\n");
        QTest::newRow("bytes before the first section kept")
            << QByteArray("\xEF\xBB\xBFjunk\n[SETTINGS]\nK=1\n") << s << QStringLiteral("K")
            << QStringLiteral("2") << QByteArray("\xEF\xBB\xBFjunk\n[SETTINGS]\nK=2\r\n");
        QTest::newRow("umlaut written as one byte")
            << QByteArray() << s << QStringLiteral("K") << QString::fromUtf8("Ä€")
            << QByteArray("[SETTINGS]\r\nK=\xC4\x80\r\n");
    }

    void write() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        const QString path = file(QStringLiteral("w.ini"));
        QFile::remove(path);
        if (!before.isEmpty())
            QVERIFY(writeBytes(path, before));
        QString error;
        QVERIFY2(WriteProfileValue(section, key, value, path, &error), qPrintable(error));
        QCOMPARE(readBytes(path), after);
    }

    void writeThenReadRoundTrip() {
        const QString path = file(QStringLiteral("rt.ini"));
        QFile::remove(path);
        const QString value = QString::fromUtf8("  \"quoted\" ; # äöü € ");
        QVERIFY(WriteProfileValue(QStringLiteral("S"), QStringLiteral("K"), value, path));
        // Reading trims again, as the profile API does; the inner text survives.
        QCOMPARE(ReadProfileValue(QStringLiteral("S"), QStringLiteral("K"), QString(), 100, path),
                 value.trimmed());
    }

    void bigFileIsParsedOnce() {
        // A value of megabytes among the keys of a configuration file: reading and writing every key costs
        // about what loading the file does, because the keys are found by an index, not by parsing again.
        QByteArray text = "[SETTINGS]\r\nCommand1=" + QByteArray(4 << 20, 'x') + "\r\n";
        for (int n = 1; n <= 8; ++n)
            text += "Label" + QByteArray::number(n) + "=L\r\nNote" + QByteArray::number(n) + "=N\r\n";
        QVERIFY(writeBytes(file(QStringLiteral("big.ini")), text));
        auto fastest = [](const std::function<void()>& work) {
            qint64 best = std::numeric_limits<qint64>::max();
            for (int round = 0; round < 5; ++round) {
                QElapsedTimer timer;
                timer.start();
                work();
                best = std::min(best, timer.nsecsElapsed());
            }
            return double(best);
        };
        const double load = fastest([&] { ProfileFile::load(file(QStringLiteral("big.ini"))); });
        const double everyKey = fastest([&] {
            ProfileFile profile = ProfileFile::load(file(QStringLiteral("big.ini")));
            for (int n = 1; n <= 32; ++n) {
                const QString key = QStringLiteral("Label%1").arg(n % 8 + 1);
                profile.setValue(QStringLiteral("SETTINGS"), key,
                                 *profile.value(QStringLiteral("settings"), key));
            }
        });
        QVERIFY2(everyKey < 3 * load, qPrintable(QStringLiteral("%1 times the load").arg(everyKey / load)));
    }

    void writeIntoMissingFolderFails() {
        QString error;
        QVERIFY(!WriteProfileValue(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"),
                                   m_dir.filePath(QStringLiteral("no/such/dir/x.ini")), &error));
        QVERIFY(!error.isEmpty());
    }

    void failedWriteLeavesOldFileWhole() {
        // A folder that cannot take the temporary file: the old file must stay as it was.
        QTemporaryDir locked;
        const QString path = locked.filePath(QStringLiteral("keep.ini"));
        QVERIFY(writeBytes(path, "[S]\r\nK=old\r\n"));
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool writable = QFileInfo(locked.path()).isWritable();
        QString error;
        const bool ok =
            WriteProfileValue(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("new"), path, &error);
        QFile::setPermissions(locked.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (writable)
            QSKIP("running with rights that ignore folder permissions");
        QVERIFY(!ok);
        QCOMPARE(readBytes(path), QByteArray("[S]\r\nK=old\r\n"));
    }

    void unreadableTargetIsNotOverwritten() {
        // A name that is taken by something we cannot read as a file is refused, not replaced.
        const QString path = m_dir.filePath(QStringLiteral("adir.ini"));
        QVERIFY(QDir().mkpath(path));
        QString error;
        QVERIFY(
            !WriteProfileValue(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"), path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(path).isDir());
    }

    void codecRoundTripsEveryByte() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        bool lossless = false;
        QCOMPARE(Cp1252::encode(Cp1252::decode(all), &lossless), all);
        QVERIFY(lossless);
        QCOMPARE(Cp1252::decode("\x80\x9F\xE4"), QString::fromUtf8("€Ÿä"));
        QCOMPARE(Cp1252::encode(QString::fromUtf8("a\u4E2Db"), &lossless), QByteArray("a?b"));
        QVERIFY(!lossless);
        QVERIFY(!Cp1252::canEncode(QString::fromUtf8("\u4E2D")));
    }
};

QTEST_GUILESS_MAIN(ProfileTest)
#include "tst_profile.moc"
