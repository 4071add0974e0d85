#include "core/files/Codec.h"
#include "core/scripts/QuickDialConfig.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

namespace {
QStringList strings(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts)
        list.append(QString::fromLatin1(t));
    return list;
}

QuickDialSlot slotOf(const QString& caption, const QString& description, const Script& lines) {
    return QuickDialSlot{caption, description, lines};
}
} // namespace

class QuickDialConfigTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void readsTheDocumentedLayout() {
        QVERIFY(writeBytes(path("a.cfg"),
                           "[SETTINGS]\r\n"
                           "Command1=SM 1#SP 1 3\r\n"
                           "Descript1=Messbetrieb starten (SM 1)#Messprogramm einstellen (SP)\r\n"
                           "Label1=Start\r\n"
                           "Note1=Messbetrieb mit Programm 3\r\n"));
        QuickDialFileState state = QuickDialFileState::Missing;
        const QuickDialSlots memory = LoadQuickDialFile(path("a.cfg"), &state);
        QVERIFY(state == QuickDialFileState::Loaded);
        QCOMPARE(memory[0].caption, QStringLiteral("Start"));
        QCOMPARE(memory[0].description, QStringLiteral("Messbetrieb mit Programm 3"));
        const Script expected{{QStringLiteral("SM 1"), QStringLiteral("Messbetrieb starten (SM 1)")},
                              {QStringLiteral("SP 1 3"), QStringLiteral("Messprogramm einstellen (SP)")}};
        QCOMPARE(memory[0].lines, expected);
        for (std::size_t i = 1; i < memory.size(); ++i)
            QCOMPARE(memory[i], QuickDialSlot{});
    }

    void listEdgeCases_data() {
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<QByteArray>("descriptions");
        QTest::addColumn<QStringList>("expectedCommands");
        QTest::addColumn<QStringList>("expectedDescriptions");

        QTest::newRow("empty middle description") << QByteArray("a#b#c") << QByteArray("x##z")
                                                  << strings({"a", "b", "c"}) << strings({"x", "", "z"});
        QTest::newRow("leading hash gives no commands")
            << QByteArray("#a#b") << QByteArray("x#y") << strings({}) << strings({});
        QTest::newRow("list stops at the first empty field")
            << QByteArray("a##b") << QByteArray("x#y#z") << strings({"a"}) << strings({"x"});
        QTest::newRow("missing descriptions are empty")
            << QByteArray("a#b") << QByteArray("") << strings({"a", "b"}) << strings({"", ""});
        QTest::newRow("surplus descriptions ignored")
            << QByteArray("a") << QByteArray("x#y#z") << strings({"a"}) << strings({"x"});
        QTest::newRow("character 0x14 removed") << QByteArray("S\x14M 1#\x14GM") << QByteArray("d\x14#e")
                                                << strings({"SM 1", "GM"}) << strings({"d", "e"});
    }

    void listEdgeCases() {
        QFETCH(QByteArray, commands);
        QFETCH(QByteArray, descriptions);
        QFETCH(QStringList, expectedCommands);
        QFETCH(QStringList, expectedDescriptions);
        QVERIFY(writeBytes(path("e.cfg"),
                           "[SETTINGS]\r\nCommand3=" + commands + "\r\nDescript3=" + descriptions + "\r\n"));
        const QuickDialSlot slot = LoadQuickDialFile(path("e.cfg"))[2];
        QStringList gotCommands;
        QStringList gotDescriptions;
        for (const ScriptLine& line : slot.lines) {
            gotCommands.append(line.command);
            gotDescriptions.append(line.description);
        }
        QCOMPARE(gotCommands, expectedCommands);
        QCOMPARE(gotDescriptions, expectedDescriptions);
    }

    void emptySlotsAreFourEmptyKeys() {
        QuickDialSlots memory;
        memory[1] =
            slotOf(QStringLiteral("Two"), QStringLiteral("second"),
                   {{QStringLiteral("SM 1"), QString()}, {QStringLiteral("GM"), QStringLiteral("query")}});
        // A caption or description without commands is not written: the slot counts as empty.
        memory[3] = slotOf(QStringLiteral("deleted"), QStringLiteral("gone"), {});
        QVERIFY(SaveQuickDialFile(path("s.cfg"), memory));
        QByteArray expected = "[SETTINGS]\r\n";
        for (int n = 1; n <= 8; ++n) {
            const QByteArray d = QByteArray::number(n);
            if (n == 2)
                expected += "Command2=SM 1#GM\r\nDescript2=#query\r\nLabel2=Two\r\nNote2=second\r\n";
            else
                expected +=
                    "Command" + d + "=\r\nDescript" + d + "=\r\nLabel" + d + "=\r\nNote" + d + "=\r\n";
        }
        QCOMPARE(readBytes(path("s.cfg")), expected);

        const QuickDialSlots loaded = LoadQuickDialFile(path("s.cfg"));
        QCOMPARE(loaded[1], memory[1]);
        QCOMPARE(loaded[3], QuickDialSlot{});
    }

    void saveKeepsOtherContentAndReplacesInPlace() {
        QVERIFY(writeBytes(path("k.cfg"),
                           "; my notes\r\n[SETTINGS]\r\nLabel1=old\r\nCustom=1\r\n[OTHER]\r\nZ=9\r\n"));
        QuickDialSlots memory;
        memory[0] = slotOf(QStringLiteral("new"), QStringLiteral("n"), {{QStringLiteral("GM"), QString()}});
        QVERIFY(SaveQuickDialFile(path("k.cfg"), memory));
        const QByteArray text = readBytes(path("k.cfg"));
        QVERIFY(text.startsWith("; my notes\r\n[SETTINGS]\r\nLabel1=new\r\nCustom=1\r\nCommand1=GM\r\n"));
        QVERIFY(text.endsWith("[OTHER]\r\nZ=9\r\n"));
        QCOMPARE(LoadQuickDialFile(path("k.cfg"))[0], memory[0]);
    }

    void longValuesAreKeptWhole() {
        QuickDialSlots memory;
        Script many;
        for (int i = 0; i < 5000; ++i)
            many.append({QStringLiteral("SP 1 %1").arg(i % 32), QStringLiteral("Programm %1").arg(i)});
        memory[7] = slotOf(QString(40, QLatin1Char('L')), QString(128, QLatin1Char('N')), many);
        QVERIFY(SaveQuickDialFile(path("long.cfg"), memory));
        const QuickDialSlots loaded = LoadQuickDialFile(path("long.cfg"));
        QCOMPARE(loaded[7].lines.size(), 5000);
        QCOMPARE(loaded[7], memory[7]);
        // ...and survive the next save unchanged.
        QVERIFY(SaveQuickDialFile(path("long2.cfg"), loaded));
        QCOMPARE(readBytes(path("long2.cfg")), readBytes(path("long.cfg")));
    }

    void valuesThatReadingWouldAlterRoundTrip() {
        QuickDialSlots memory;
        memory[0] = slotOf(QStringLiteral("  padded  "), QStringLiteral("\"quoted\""),
                           {{QStringLiteral(" SM 1"), QStringLiteral("'a")},
                            {QStringLiteral("GM\t"), QStringLiteral("b'")}});
        QVERIFY(SaveQuickDialFile(path("q.cfg"), memory));
        QCOMPARE(LoadQuickDialFile(path("q.cfg"))[0], memory[0]);
    }

    void randomRoundTrip() {
        // Any Windows-1252 character but '#', line breaks and 0x14 (which reading removes by design).
        QString alphabet;
        for (int b = 0; b < 256; ++b) {
            if (b != '#' && b != '\r' && b != '\n' && b != 0x14)
                alphabet += Cp1252::decode(QByteArray(1, static_cast<char>(b)));
        }
        QRandomGenerator random(20261206);
        auto text = [&](int minLength, int maxLength) {
            QString s;
            const int length = random.bounded(minLength, maxLength + 1);
            for (int i = 0; i < length; ++i)
                s += alphabet.at(random.bounded(static_cast<int>(alphabet.size())));
            return s;
        };
        for (int round = 0; round < 20; ++round) {
            QuickDialSlots memory;
            for (QuickDialSlot& slot : memory) {
                if (random.bounded(5) == 0)
                    continue; // an empty slot
                slot.caption = text(0, 40);
                slot.description = text(0, 128);
                const int count = random.bounded(1, 300);
                for (int i = 0; i < count; ++i)
                    slot.lines.append({text(1, 60), text(0, 60)});
            }
            const QString file = m_dir.filePath(QStringLiteral("random%1.cfg").arg(round));
            QString error;
            QVERIFY2(SaveQuickDialFile(file, memory, &error), qPrintable(error));
            const QuickDialSlots loaded = LoadQuickDialFile(file);
            for (std::size_t i = 0; i < memory.size(); ++i)
                QVERIFY2(loaded[i] == memory[i],
                         qPrintable(QStringLiteral("round %1 slot %2").arg(round).arg(i + 1)));
        }
    }

    void filesWithoutMemory_data() {
        QTest::addColumn<QByteArray>("content"); // "<none>": no file, "<folder>": a folder of that name
        QTest::addColumn<int>("state");
        QByteArray binary;
        for (int b = 0; b < 256; ++b)
            binary.append(static_cast<char>(b));
        QTest::newRow("no file") << QByteArray("<none>") << int(QuickDialFileState::Missing);
        QTest::newRow("folder") << QByteArray("<folder>") << int(QuickDialFileState::Unreadable);
        QTest::newRow("binary") << binary << int(QuickDialFileState::NoQuickDialKeys);
        QTest::newRow("text, keys outside SETTINGS")
            << QByteArray("Command1=SM 1\r\n[OTHER]\r\nLabel1=x\r\n[SETTINGS]\r\nPort=6060\r\n")
            << int(QuickDialFileState::NoQuickDialKeys);
        // One of the 32 keys makes it a configuration file; the missing ones give empty parts.
        QTest::newRow("one key") << QByteArray("[settings]\r\nnote8=only a note")
                                 << int(QuickDialFileState::Loaded);
    }

    void filesWithoutMemory() {
        QFETCH(QByteArray, content);
        QFETCH(int, state);
        const QString file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (content == "<folder>")
            QVERIFY(QDir().mkpath(file));
        else if (content != "<none>")
            QVERIFY(writeBytes(file, content));
        QuickDialFileState found = QuickDialFileState::Loaded;
        QuickDialSlots expected;
        expected[7].description =
            state == int(QuickDialFileState::Loaded) ? QStringLiteral("only a note") : QString();
        QCOMPARE(LoadQuickDialFile(file, &found), expected);
        QCOMPARE(int(found), state);
    }

    void textOutsideTheCodePageIsRefused() {
        // Written as '?', a command would come back as a different one: the file is left as it was.
        QuickDialSlots memory;
        memory[0] = slotOf(QStringLiteral("ok"), QStringLiteral("ok"), {{QStringLiteral("GM"), QString()}});
        QVERIFY(SaveQuickDialFile(path("cp.cfg"), memory));
        const QByteArray before = readBytes(path("cp.cfg"));
        memory[4] =
            slotOf(QStringLiteral("x"), QStringLiteral("y"), {{QStringLiteral("XC 1 \u03a9"), QString()}});
        QString error;
        QVERIFY(!SaveQuickDialFile(path("cp.cfg"), memory, &error));
        QVERIFY(error.contains(QStringLiteral("[F5]")));
        QCOMPARE(readBytes(path("cp.cfg")), before);
    }

    void failedSaveIsReportedAndKeepsTheOldFile() {
        QString error;
        QuickDialSlots memory;
        memory[0] = slotOf(QStringLiteral("x"), QStringLiteral("y"), {{QStringLiteral("GM"), QString()}});
        QVERIFY(!SaveQuickDialFile(path("missing/folder/x.cfg"), memory, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(QuickDialConfigTest)
#include "tst_quickdialconfig.moc"
