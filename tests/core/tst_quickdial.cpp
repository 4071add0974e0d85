// The quick-dial memory: configuration files, the checks before a slot is stored, captions and slot modes;
// and the command catalogue the assistant builds commands from, and the command line completes and hints
// from.

#include "support/CoreSupport.h"

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CommandBuilder.h"
#include "core/catalogue/CommandCompletion.h"
#include "core/files/Codec.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/QuickDialMemory.h"
#include "core/texts/Texts.h"

#include <QtTest>

#include <map>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QuickDialSlots)
Q_DECLARE_METATYPE(QuickDialFileState)

namespace {

// "caption|description|script"
QuickDialSlot slotOf(const QString& text) {
    return {text.section(u'|', 0, 0), text.section(u'|', 1, 1), script(text.section(u'|', 2))};
}

QuickDialSlots memory(const QStringList& texts) {
    QuickDialSlots filled;
    for (qsizetype i = 0; i < texts.size(); ++i)
        filled[std::size_t(i)] = slotOf(texts.at(i));
    return filled;
}

QByteArray emptyKeys(int from, int to) {
    QByteArray keys;
    for (int n = from; n <= to; ++n) {
        for (const char* name : {"Command", "Descript", "Label", "Note"})
            keys += name + QByteArray::number(n) + "=\r\n";
    }
    return keys;
}

} // namespace

class QuickDialTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void cleanup() { setLanguageOffset(0); }

    void load_data() {
        QTest::addColumn<QByteArray>("keys"); // of [SETTINGS]
        QTest::addColumn<QString>("third");   // slot 3 as read
        QTest::addColumn<QuickDialFileState>("state");
        auto lists = [](const char* name, const QByteArray& commands, const QByteArray& descriptions,
                        const char* expected) {
            QTest::newRow(name) << QByteArray("Command3=" + commands + "\r\nDescript3=" + descriptions +
                                              "\r\n")
                                << QString::fromLatin1(expected) << QuickDialFileState::Loaded;
        };
        QTest::newRow("documented layout")
            << QByteArray("Command3=SM 1#GM\r\nDescript3=a#b\r\nLabel3=L\r\nNote3=n") << "L|n|SM 1=a;GM=b"
            << QuickDialFileState::Loaded;
        lists("empty middle description", "a#b#c", "x##z", "||a=x;b=;c=z");
        lists("list ends at the first empty command", "a##b", "x#y#z", "||a=x");
        lists("missing descriptions", "a#b", "", "||a=;b=");
        lists("character 0x14 removed", "S\x14M 1#\x14GM", "d\x14#e", "||SM 1=d;GM=e");
        // One of the 32 keys makes a configuration file; a file without any was picked by mistake.
        QTest::newRow("one key") << QByteArray("note3=n") << "|n|" << QuickDialFileState::Loaded;
        QTest::newRow("only slot 8's keys") << emptyKeys(8, 8) << "||" << QuickDialFileState::Loaded;
        QTest::newRow("no slot key in SETTINGS") << QByteArray("Port=6060\r\n[OTHER]\r\nCommand3=GM\r\n")
                                                 << "||" << QuickDialFileState::NoQuickDialKeys;
    }
    void load() {
        QFETCH(QByteArray, keys);
        QFETCH(QString, third);
        const QString file = path(QTest::currentDataTag());
        QVERIFY(writeBytes(file, "[SETTINGS]\r\n" + keys));
        auto found = QuickDialFileState(-1);
        const QuickDialSlots filled = loadQuickDialFile(file, &found);
        QTEST(found, "state");
        for (std::size_t i = 0; i < filled.size(); ++i)
            QVERIFY(filled[i] == (i == 2 ? slotOf(third) : QuickDialSlot{}));
    }

    void save_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QuickDialSlots>("memory");
        QTest::addColumn<QByteArray>("after"); // null: not compared
        QTest::addColumn<bool>("saved");
        // A slot without commands is empty, whatever else it holds.
        const QByteArray two = "Command2=SM 1#GM\r\nDescript2=#query\r\nLabel2=Two\r\nNote2=second\r\n";
        QTest::newRow("empty slots are four empty keys")
            << QByteArray() << memory({{}, u"Two|second|SM 1=;GM=query"_s, {}, u"\u03a9||"_s})
            << QByteArray("[SETTINGS]\r\n" + emptyKeys(1, 1) + two + emptyKeys(3, 8)) << true;
        const QByteArray one = "Label1=new\r\nCustom=1\r\nCommand1=GM\r\nDescript1=\r\nNote1=n\r\n";
        const QByteArray old = "; notes\r\n[SETTINGS]\r\nLabel1=old\r\nCustom=1\r\n[OTHER]\r\nZ=9\r\n";
        QTest::newRow("other content kept, keys replaced in place")
            << old << memory({u"new|n|GM="_s})
            << QByteArray("; notes\r\n[SETTINGS]\r\n" + one + emptyKeys(2, 8) + "[OTHER]\r\nZ=9\r\n") << true;
        // The file would bring a character outside Windows-1252 back as '?', a different command.
        for (const char* fifth : {"x|y|XC 1 \u03a9=", "x|y|GM=\u03a9", "\u03a9|y|GM=", "x|\u03a9|GM="})
            QTest::addRow("refused: %s", fifth)
                << old << memory({{}, {}, {}, {}, QString::fromUtf8(fifth)}) << old << false;
        QTest::newRow("values that reading would trim or unquote")
            << QByteArray() << memory({u"  padded  |\"quoted\"| SM 1='a;GM\t=b'"_s}) << QByteArray() << true;
        QuickDialSlots filled;
        // Any Windows-1252 character but the separator, line breaks and 0x14, which reading removes.
        QByteArray bytes;
        for (int b = 0; b < 256; ++b)
            bytes += char(b);
        const QString alphabet = Cp1252::decode(bytes).remove(QRegularExpression(u"[#\r\n\x14]"_s));
        QRandomGenerator random(20261206);
        auto text = [&](int least, int most) {
            QString s;
            for (int i = random.bounded(least, most + 1); i > 0; --i)
                s += alphabet.at(random.bounded(int(alphabet.size())));
            return s;
        };
        for (int round = 0; round < 5; ++round) {
            for (QuickDialSlot& slot : filled) {
                slot = {text(1, 40), text(0, 128), {}};
                for (int i = random.bounded(0, 300); i > 0; --i)
                    slot.lines.append({text(1, 60), text(0, 60)});
            }
            // Longer than a profile line the classic reader takes.
            for (int i = round ? 0 : 5000; i > 0; --i)
                filled[7].lines.append({u"SP 1 %1"_s.arg(i % 32), u"Programm %1"_s.arg(i)});
            QTest::addRow("random %d", round) << QByteArray() << filled << QByteArray() << true;
        }
    }
    void save() {
        QFETCH(QByteArray, before);
        QFETCH(QuickDialSlots, memory);
        QFETCH(QByteArray, after);
        QFETCH(bool, saved);
        const QString file = path(QTest::currentDataTag());
        QVERIFY(before.isNull() || writeBytes(file, before));
        QString error;
        QCOMPARE(saveQuickDialFile(file, memory, &error), saved);
        QVERIFY2(saved == error.isEmpty() && (saved || error.contains(u"[F5]"_s)), qPrintable(error));
        if (!after.isNull())
            QCOMPARE(readBytes(file), after);
        if (!saved)
            return;
        QuickDialFileRead read;
        const QuickDialSlots loaded = loadQuickDialFile(file, nullptr, &read);
        bool anyCut = false;
        for (std::size_t i = 0; i < memory.size(); ++i) {
            // A slot takes the first 253 commands; its list stays whole in the file.
            QuickDialSlot expected = memory[i].lines.isEmpty() ? QuickDialSlot{} : memory[i];
            expected.lines = expected.lines.first(std::min<qsizetype>(expected.lines.size(), 253));
            QVERIFY2(loaded[i] == expected, qPrintable(loaded[i].caption));
            QCOMPARE(read.cut[i], memory[i].lines.size() > 253);
            anyCut = anyCut || read.cut[i];
        }
        // What was read is written back byte for byte; the exit save leaves the cut lists whole.
        QVERIFY(saveQuickDialFile(file + u".again"_s, loaded));
        QVERIFY(!before.isNull() || anyCut || readBytes(file + u".again"_s) == readBytes(file));
        const QByteArray whole = readBytes(file);
        QVERIFY(saveQuickDialChanges(file, loaded, loaded, read));
        QVERIFY(!before.isNull() || readBytes(file) == whole);
    }

    void exitSaveKeepsOtherWindowsSlots_data() {
        QTest::addColumn<QString>(
            "changes"); // window:slot=caption|description|script, ...; "hand" edits the file
        QTest::addColumn<QString>("exits");
        QTest::addColumn<QString>("expected"); // captions of slots 1..3 afterwards
        const QString fromFile = u"A:1=FROMFILE|fromfile|GM"_s;
        QTest::newRow("different slots, A closes first")
            << fromFile + u",B:2=Two|b|SM 2"_s << u"AB"_s << u"FROMFILE Two Three"_s;
        QTest::newRow("different slots, B closes first")
            << fromFile + u",B:2=Two|b|SM 2"_s << u"BA"_s << u"FROMFILE Two Three"_s;
        QTest::newRow("same slot: the later exit wins")
            << fromFile + u",B:1=B1|b|SM 3"_s << u"AB"_s << u"B1 Second Three"_s;
        QTest::newRow("edited by hand meanwhile")
            << fromFile + u",hand:3=Hand|h|SM 4"_s << u"A"_s << u"FROMFILE Second Hand"_s;
    }
    void exitSaveKeepsOtherWindowsSlots() {
        QFETCH(QString, changes);
        QFETCH(QString, exits);
        const QString file = path(QTest::currentDataTag());
        QVERIFY(saveQuickDialFile(file, memory({u"First|1|SM 1"_s, u"Second|2|SM 2"_s, u"Three|3|SM 3"_s})));
        std::map<QChar, QuickDialFileRead> read;
        std::map<QChar, QuickDialSlots> atStart;
        for (const QChar w : {u'A', u'B'})
            atStart.emplace(w, loadQuickDialFile(file, nullptr, &read[w]));
        std::map<QChar, QuickDialSlots> now = atStart;
        for (const QString& step : changes.split(u',')) {
            const int n = step.section(u':', 1).section(u'=', 0, 0).toInt();
            const QuickDialSlot slot = slotOf(step.section(u'=', 1));
            if (step.startsWith(u"hand:"_s)) {
                QuickDialSlots edited = loadQuickDialFile(file);
                edited[std::size_t(n - 1)] = slot;
                QVERIFY(saveQuickDialFile(file, edited));
            } else {
                now.at(step.at(0))[std::size_t(n - 1)] = slot;
            }
        }
        for (const QChar w : exits)
            QVERIFY(saveQuickDialChanges(file, now.at(w), atStart.at(w), read.at(w)));
        const QuickDialSlots after = loadQuickDialFile(file);
        QTEST(QStringList({after[0].caption, after[1].caption, after[2].caption}).join(u' '), "expected");
        // A slot is written whole: its commands are those of the caption's writer.
        QCOMPARE(after[0].lines.size(), 1);
    }

    void byteOrderMarks_data() {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-8") << int(QStringConverter::Utf8);
        QTest::newRow("UTF-16 LE") << int(QStringConverter::Utf16LE);
        QTest::newRow("UTF-16 BE") << int(QStringConverter::Utf16BE);
    }
    void byteOrderMarks() {
        // As some Windows editors save a configuration file: the slots are read, and the exit save adds no
        // second section but writes into the file's own, in its encoding.
        QFETCH(int, encoding);
        QStringEncoder encoder(QStringConverter::Encoding(encoding), QStringConverter::Flag::WriteBom);
        const QString file = path(QTest::currentDataTag());
        const QByteArray original =
            encoder(u"[SETTINGS]\r\nCommand1=SM 1#GM\r\nDescript1=Gr\u00fc\u00df#\u20ac\r\n"
                    u"Label1=L\r\nNote1=n\r\n"_s);
        QVERIFY(writeBytes(file, original));
        QuickDialFileRead read;
        const QuickDialSlots loaded = loadQuickDialFile(file, nullptr, &read);
        QVERIFY(loaded[0] == slotOf(u"L|n|SM 1=Gr\u00fc\u00df;GM=\u20ac"_s));
        QuickDialSlots changed = loaded;
        changed[1] = slotOf(u"Zwei|\u00e4|SM 2=\u20ac"_s);
        QVERIFY(saveQuickDialChanges(file, changed, loaded, read));
        const QByteArray bytes = readBytes(file);
        const qsizetype mark = encoding == int(QStringConverter::Utf8) ? 3 : 2;
        QCOMPARE(bytes.left(mark), original.left(mark));
        QStringDecoder decoder{QStringConverter::Encoding(encoding)};
        QCOMPARE(QString(decoder(bytes)).count(u"[SETTINGS]"_s), 1);
        const QuickDialSlots again = loadQuickDialFile(file);
        QVERIFY(again[0] == loaded[0] && again[1] == changed[1]);
    }

    void slotChecks_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("note");
        QTest::addColumn<bool>("fileOnly");
        QTest::addColumn<QString>("refusal"); // text, field (0 commands, 1 note, 2 caption), row, values
        auto row = [](const char* name, const char* lines, const char* caption, const char* note,
                      bool fileOnly, const char* refusal) {
            QTest::newRow(name) << QString::fromUtf8(lines) << QString::fromUtf8(caption)
                                << QString::fromUtf8(note) << fileOnly << QString::fromLatin1(refusal);
        };
        row("no commands", "", "", "", false, "NoCommandText 0 -1");
        row("no description, before the caption", "GM=", "", "", false, "NoDescriptionText 1 -1");
        row("no caption, before the note's characters", "GM=", "", "\u03a9", false, "NoCaptionText 2 -1");
        row("separator in a command, before the characters", "GM=;S#1=", "\u03a9", "\u03a9", false,
            "SeparatorInScript 0 1");
        row("separator in a description, before a row's characters", "\u03a9=;GM=#", "c", "n", false,
            "SeparatorInScript 0 1");
        row("separator in caption and note", "GM=", "#", "#", false, "");
        row("not Windows-1252: description", "GM=;SM 1=\u03a9", "c", "n", false, "ScriptNotEncodable 0 1");
        row("not Windows-1252: caption", "GM=", "\u03a9", "n", false, "ScriptNotEncodable 2 -1");
        row("not Windows-1252: note", "GM=", "c", "\u03a9", false, "ScriptNotEncodable 1 -1");
        row("Windows-1252", "SC 1 \u00e4=\u20ac", "\u00c4", "n", false, "");
        row("file only: no commands needed", "", "", "", true, "");
        // A line break would end the value in the file, and loading takes 0x14 out.
        row("file only: LF", "SM\n1=", "c", "n", true, "UnstorableCharacter 0 0 LF (0x0A)");
        row("file only: CR", "GM=;SM 1=a\rb", "c", "n", true, "UnstorableCharacter 0 1 CR (0x0D)");
        row("LF in the caption", "GM=", "a\nb", "n", false, "UnstorableCharacter 2 -1 LF (0x0A)");
        row("0x14", "S\x14M 1=", "c", "n", false, "UnstorableCharacter 0 0 0x14");
    }
    void slotChecks() {
        QFETCH(QString, lines);
        QFETCH(QString, caption);
        QFETCH(QString, note);
        QFETCH(bool, fileOnly);
        const auto found = fileOnly ? checkSlotFileSafety(script(lines), caption, note)
                                    : checkSlotContent(script(lines), caption, note);
        const QMetaEnum ids = QMetaEnum::fromType<Texts::TextId>();
        QTEST(found ? (QStringList{QLatin1String(ids.valueToKey(int(found->text))),
                                   QString::number(int(found->field)), QString::number(found->row)} +
                       found->values)
                          .join(u' ')
                    : QString(),
              "refusal");
    }

    // A caption cut for its choice button keeps a character of two UTF-16 units whole.
    void captionCut() {
        QuickDialMemory memory;
        memory.storeSlot(2, {u"123456789\U0001F600x"_s, {}, script(u"GM="_s)});
        QCOMPARE(memory.captionsAt(2).choice, u"123456789\U0001F600..."_s);
    }

    void slotModes_data() {
        QTest::addColumn<QString>("steps"); // toggle Store, fetch (Get), Delete; Clear modes; Take the action
        QTest::addColumn<QString>("result"); // actions taken | store, fetch, delete pending
        auto row = [](const char* name, const char* steps, const char* result) {
            QTest::newRow(name) << QString::fromLatin1(steps) << QString::fromLatin1(result);
        };
        row("store", "S", "|100");
        row("store twice cancels", "SS", "|000");
        row("fetch twice cancels", "GG", "|000");
        row("fetch ends store", "SG", "|010");
        row("store ends fetch", "GS", "|100");
        row("delete keeps store", "SDD", "|100");
        row("fetch, then delete, then run", "GDTTT", "FDR|000");
        row("store, then delete", "DSTT", "SD|000");
        row("clear ends every mode", "SDCT", "R|000");
    }
    void slotModes() {
        QFETCH(QString, steps);
        QFETCH(QString, result);
        QuickDialMemory memory;
        void (QuickDialMemory::*const changes[])() = {
            &QuickDialMemory::toggleStore, &QuickDialMemory::toggleFetch, &QuickDialMemory::toggleDelete,
            &QuickDialMemory::clearSlotModes};
        QString taken;
        for (const QChar step : steps) {
            if (const qsizetype change = u"SGDC"_s.indexOf(step); change >= 0)
                (memory.*changes[change])();
            else
                taken += QLatin1String("RFSD").at(int(memory.takeSlotAction()));
        }
        taken += u'|';
        for (const bool pending : {memory.StorePending(), memory.FetchPending(), memory.DeletePending()})
            taken += QLatin1Char(pending ? '1' : '0');
        QCOMPARE(taken, result);
        QCOMPARE(memory.anyModePending(), taken.contains(u'1'));
    }

    void getField() {
        const QString comma = u","_s;
        QCOMPARE(GetField(u"a,b"_s, 0, false, comma), QString()); // fields count from 1
        QCOMPARE(GetField(u"a,b"_s, 1, false, u",b"_s), u"a,b"_s);
        // The longest text taken apart: 32766 characters.
        const QString longest = u"a,"_s + QString(32764, u'b');
        QCOMPARE(GetField(longest, 1, false, comma), u"a"_s);
        QCOMPARE(GetField(longest + u'b', 1, false, comma), QString());
    }

    void records_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fields"); // then per parameter: name, type, "minimum..maximum" or length
        auto row = [](const char* text, const char* fields) {
            QTest::newRow(text) << QString::fromUtf8(text) << QString::fromUtf8(fields);
        };
        row("d,,1,X,V,%d,-1#2147483646", "d||1|X|V %d -1..2147483646");
        row("d,,2,X,V,%d,7,W,%d,", "d||2|X|V %d 7..1|W %d 0..1");
        row("d,,1,X,V,%d, 1 0 #2a0", "d||1|X|V %d 10..20");
        // Bounds round half to even; one that rounds beyond 32 bits is no number.
        row("d,,2,X,V,%d,-2.5#3.5,W,%d,0.5#2147483647.4", "d||2|X|V %d -2..4|W %d 0..2147483647");
        row("d,,1,X,V,%d,1.5#2147483647.5", "d||1|X|V %d 2..1");
        row("d,,3,X,A,%s,32767,B,%p,0,C,%r,1", "d||3|X|A %s 32767|B %p 256|C %r 1");
        row("d,,3,X,A ,%s,20,B,%s,x,C,%r,32768", "d||3|X|A  %s 20|B %s 100|C %r 100");
        row("d,,3,X,P,%p,x,Q,%p,300,U,%x,20", "d||3|X|P %p 256|Q %p 300|U %x 100");
        row("d,,1,X", "d||1|X|  100"); // absent fields are empty
        row("d,,254,X", "d||254|X|  100|  100|  100");
        row("d,,255,X", "d||255|X|no count");
        row("d,,-1,X", "d||-1|X|no count");
        row("just a description", "just a description||||no count");
    }
    void records() {
        QFETCH(QString, text);
        const CatalogueRecord record(text);
        QStringList shown{record.description(), record.note(), record.countText(), record.commandWord()};
        for (int k = 1; k <= std::min(record.parameterCount().value_or(0), 3); ++k) {
            const CatalogueParameter p = record.parameter(k);
            shown << p.name + u' ' + p.typeText + u' ' +
                         (p.type() == ParameterType::Number ? u"%1..%2"_s.arg(p.minimum()).arg(p.maximum())
                                                            : QString::number(p.maxLength()));
        }
        if (!record.parameterCount())
            shown << u"no count"_s;
        QTEST(shown.join(u'|'), "fields");
    }

    void catalogue_data() {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<bool>("queries");
        QTest::addColumn<int>("count");
        QTest::newRow("type 1 with queries") << 1 << true << 34;
        QTest::newRow("type 1 commands") << 1 << false << 20;
        QTest::newRow("type 0 with queries") << 0 << true << 11;
        QTest::newRow("type 0 commands") << 0 << false << 10;
        QTest::newRow("another type counts as 1") << 7 << false << 20;
    }
    void catalogue() {
        QFETCH(int, deviceType);
        QFETCH(bool, queries);
        QFETCH(int, count);
        const QStringList german = LoadCommandCatalogue(deviceType, queries);
        setLanguageOffset(EnglishOffset);
        const QStringList english = LoadCommandCatalogue(deviceType, queries);
        QCOMPARE(german.size(), count);
        QCOMPARE(english.size(), count);
        // Count, command word, and each parameter's type and limit are the same in both languages.
        for (qsizetype r = 0; r < count; ++r) {
            const QStringList g = german.at(r).split(u',');
            const QStringList e = english.at(r).split(u',');
            const CatalogueRecord record(german.at(r));
            QVERIFY2(record.parameterCount() && g.size() == 4 + 3 * *record.parameterCount() &&
                         e.size() == g.size(),
                     qPrintable(german.at(r)));
            QVERIFY2(record.description().endsWith(u'(' + record.commandWord() + u')'),
                     qPrintable(german.at(r)));
            for (qsizetype i = 2; i < g.size(); ++i)
                QVERIFY2(e.at(i) == g.at(i) || (i - 4) % 3 == 0, qPrintable(german.at(r)));
        }
    }

    // The German records: the English ones differ only in names and descriptions (see catalogue).
    void builderWalksEveryRecord_data() {
        QTest::addColumn<QString>("record");
        for (const int type : {0, 1}) {
            const QStringList records = LoadCommandCatalogue(type, true);
            for (qsizetype r = 0; r < records.size(); ++r)
                QTest::addRow("%d %d %s", type, int(r), qPrintable(records.at(r).section(u',', 3, 3)))
                    << records.at(r);
        }
    }
    void builderWalksEveryRecord() {
        QFETCH(QString, record);
        // Read from the record's text as the catalogue writes it: count, word, then name, type, limit.
        const QStringList f = record.split(u',');
        const int count = f.at(2).toInt();
        CommandBuilder builder{CatalogueRecord(record)};
        QString expected = f.at(3);
        // The command page takes nothing; each parameter page then takes its value.
        QString value = u"ignored on the command page"_s;
        for (int page = 1; page <= count + 1; ++page) {
            QCOMPARE(builder.page(), page);
            QCOMPARE(builder.accepts(), page == count + 1);
            QCOMPARE(builder.parameter().has_value(), page > 1);
            if (page > 1) {
                const CatalogueParameter p = *builder.parameter();
                const QString type = f.at(3 * page - 1);
                const QString limit = f.at(3 * page);
                QCOMPARE(p.name, f.at(3 * page - 2));
                if (type == u"%d"_s) {
                    const QStringList bounds = limit.split(u'#');
                    QCOMPARE(CommandBuilder::hint(p), filledText(TextId::ParameterRange, bounds));
                    value = bounds.at(0);
                } else {
                    const TextId hint =
                        type == u"%p"_s ? TextId::ParameterPathLength : TextId::ParameterTextLength;
                    QCOMPARE(CommandBuilder::hint(p), filledText(hint, {limit}));
                    // An empty text is refused and appends nothing.
                    QCOMPARE(builder.next(QString()), CommandBuilder::Step::Refused);
                    QCOMPARE(builder.command(), expected);
                    value = QString(limit.toInt(), u'v');
                }
                expected += u' ' + value;
            }
            QCOMPARE(builder.next(value),
                     page == count + 1 ? CommandBuilder::Step::Accepted : CommandBuilder::Step::Next);
            QCOMPARE(builder.command(), expected);
        }
        // The hint of the command line names each parameter.
        for (int k = 1; k <= count; ++k)
            QVERIFY(builder.signature().contains(u'<' + f.at(3 * k + 1).trimmed() + u": "_s));
    }

    void builderCases_data() {
        // Beyond the catalogue's own records (walked above): a record, the values page by page ("" an empty
        // text); then the steps taken and the command.
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("result");
        QTest::newRow("spaces count as entered") << GetText(TextId::CatalogueCommands0 + 7)
                                                 << QStringList{u""_s, u""_s, u"  "_s} << u"NRA|UN   "_s;
        QTest::newRow("count not a number") << u"d,,x,XX,A,%s,5"_s << QStringList{u"typed"_s} << u"A|XX"_s;
        QTest::newRow("count of three")
            << u"d,,3,X,A,%d,0#9,B,%s,2,C,%x,"_s << QStringList{u""_s, u"9"_s, u"bb"_s, u""_s, u"c"_s}
            << u"NNNRA|X 9 bb c"_s;
    }
    void builderCases() {
        QFETCH(QString, record);
        QFETCH(QStringList, values);
        CommandBuilder builder{CatalogueRecord(record)};
        QString steps;
        for (const QString& value : values)
            steps += u"RNA"_s.at(int(builder.next(value)));
        QTEST(QString(steps + u'|' + builder.command()), "result");
    }

    void signatures() {
        setLanguageOffset(EnglishOffset);
        QCOMPARE(CommandCompletion(LoadCommandCatalogue(0, true)).hint(u"sp 3"_s),
                 QStringList{u"SP <Device address: 0 to 99> <Measurement program No.: 0 to 31>"_s});
        const CommandCompletion type1(LoadCommandCatalogue(1, true));
        QCOMPARE(type1.hint(u"SM"_s), (QStringList{u"SM -1"_s, u"SM 1"_s, u"SM 2"_s}));
        QCOMPARE(type1.hint(u"SC 1"_s),
                 QStringList{u"SC <Device address or the last Ethernet segment: 0 to 255> <Manual component "
                             "caption: A-Z, 0-9, blank, - and _ up to 32 characters>"_s});
        QCOMPARE(type1.hint(u"LD"_s), QStringList{u"LD <Complete file path: path up to 256 characters>"_s});
        // Only a word typed out in full has a hint.
        for (const QString& text : {u"S"_s, u"GPX"_s, u" SM"_s, QString()})
            QVERIFY2(type1.hint(text).isEmpty(), qPrintable(text));
    }

    void completionOffersEveryWordOfAPrefix_data() {
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("offered");
        auto row = [](int type, const char* typed, const char* offered) {
            QTest::addRow("%d %s", type, typed)
                << type << QString::fromLatin1(typed)
                << QString::fromLatin1(offered).split(u' ', Qt::SkipEmptyParts);
        };
        // Each word of both device types once, as the catalogue lists them, whatever the case typed.
        row(1, "S", "SM SP SC SN SP1 SP2 SB SR SO SU SCA SNA SP1A SP2A SBA SRA");
        row(1, "g", "GM GP GC GN GP1 GP2 GB GR GCA GBA GNA GP1A GP2A GRA");
        row(1, "u", "UF");
        row(1, "L", "LD");
        row(1, "sP1", "SP1 SP1A");
        row(1, "SRA", "SRA");
        row(0, "s", "SM SP");
        row(0, "C", "CA CB");
        row(0, "U", "UF UN");
        row(0, "x", "XC");
        row(0, "RM", "RM");
        row(0, "G", "GM");
        // Nothing once the command word has ended.
        QTest::newRow("after the word") << 1 << u"SM "_s << QStringList();
        QTest::newRow("no such word") << 0 << u"Q"_s << QStringList();
        QTest::newRow("nothing typed") << 0 << QString() << QStringList();
    }
    void completionOffersEveryWordOfAPrefix() {
        QFETCH(int, deviceType);
        QFETCH(QString, typed);
        const CommandCompletion completion(LoadCommandCatalogue(deviceType, true));
        QTEST(completion.offers(typed, {}), "offered");
    }

    void completionFromTheHistory() {
        const CommandCompletion completion(LoadCommandCatalogue(1, true));
        const QStringList history{u"SP 3 5"_s, u"GM"_s, u"sp 1 1"_s, u"SP 3 5"_s, u"XC 1 sp"_s};
        // The words first, then the history's commands newest first, each once.
        QCOMPARE(completion.offers(u"SP"_s, history),
                 (u"SP SP1 SP2 SP1A SP2A"_s.split(u' ') + QStringList{u"SP 3 5"_s, u"sp 1 1"_s}));
        QCOMPARE(completion.offers(u"sp 3"_s, history), QStringList{u"SP 3 5"_s});
        QCOMPARE(completion.offers(u"GM"_s, history), QStringList{u"GM"_s});
        QCOMPARE(CommandCompletion::search(u"SP"_s, history),
                 (QStringList{u"XC 1 sp"_s, u"SP 3 5"_s, u"sp 1 1"_s}));
        QCOMPARE(CommandCompletion::search(u"none"_s, history), QStringList());
        QCOMPARE(CommandCompletion::search(QString(), history).size(), 4);
        // A word replaces the word and keeps the rest; a command of the history replaces all.
        QCOMPARE(completion.take(u"S 1 2"_s, u"SP"_s), u"SP 1 2"_s);
        QCOMPARE(completion.take(u"SP 3"_s, u"SP 3 5"_s), u"SP 3 5"_s);
    }
};

QTEST_GUILESS_MAIN(QuickDialTest)
#include "tst_quickdial.moc"
