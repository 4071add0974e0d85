// The string table: its source form, the built-in table against the named ids, the language switch and the
// placeholder filler.

#include "core/texts/Resources.h"
#include "core/texts/Texts.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TextsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { setLanguageOffset(0); }

    void parse_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("errors");
        QTest::addColumn<QString>("texts"); // German and English of id 1
        QTest::newRow("comments and blank lines") << "# x\t1\t2\n\n1\tA\tB\n" << 0 << "A|B";
        QTest::newRow("CRLF line ends") << "1\tA\tB\r\n2\tC\tD\r\n" << 0 << "A|B";
        QTest::newRow("two cells") << "1\tA\n" << 1 << "|";
        QTest::newRow("id not a number") << "x\tA\tB\n1\tA\tB" << 1 << "A|B";
        QTest::newRow("id in the English range") << "10001\tA\tB\n" << 1 << "|";
        QTest::newRow("id twice") << "1\tA\tB\n1\tA\tB\n" << 1 << "A|B";
    }
    void parse() {
        QFETCH(QString, source);
        QStringList found;
        const StringTable table = StringTable::parse(source, &found);
        QTEST(int(found.size()), "errors");
        QTEST(QString(table.text(1) + u'|' + table.text(1 + EnglishOffset)), "texts");
    }

    void builtInTableMatchesTheNames() {
        ensureResources();
        QFile file(u":/telvane/strings.tsv"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList errors;
        StringTable::parse(QString::fromUtf8(file.readAll()), &errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));

        const StringTable& table = StringTable::builtIn();
        const QMetaEnum names = QMetaEnum::fromType<Texts::TextId>();
        QSet<int> named;
        for (int i = 0; i < names.keyCount(); ++i) {
            const int id = names.value(i);
            QVERIFY2(!named.contains(id), names.key(i));
            named.insert(id);
            QVERIFY2(!table.text(id).isEmpty() && !table.text(id + EnglishOffset).isEmpty(), names.key(i));
        }
        // The catalogue rows are read by range, from a named first id to the first id without text.
        QList<int> outerBlanks;
        for (const int id : table.ids()) {
            const bool catalogue = id >= int(TextId::CatalogueCommands0) && id < int(TextId::WindowCaption);
            QVERIFY2(catalogue || named.contains(id), qPrintable(QString::number(id)));
            for (const int key : {id, id + EnglishOffset}) {
                if (table.text(key).startsWith(u' ') || table.text(key).endsWith(u' '))
                    outerBlanks.append(key);
            }
        }
        // Invisible in most editors, so a stray one is a typo; this title carries its blank on purpose.
        QCOMPARE(outerBlanks, QList<int>{int(TextId::NoDescriptionTitle) + EnglishOffset});
    }

    void getText_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such id") << int(TextId::FrameVersion) + 1 << 0 << "";
        // Typos and odd blanks of the original texts are kept exactly.
        QTest::newRow("typo") << int(TextId::ConfigFileFilter) << EnglishOffset
                              << "Ccommand configuration file";
        QTest::newRow("blanks inside") << int(TextId::StoreButton) << EnglishOffset << "Save   -->";
        QTest::newRow("record, note with leading blank")
            << 1006 << 0
            << u"Backupdatei in Ger\u00e4t uploaden (UF), Nur m\u00f6glich wenn Messbetrieb beendet ist! "
               "Kompletter Dateipfad bitte in Hochkommata setzen.,2,UF,Ger\u00e4teadresse,%d,0#99,"
               "kompletter Dateipfad,%p,256"_s;
    }
    void getText() {
        QFETCH(int, id);
        QFETCH(int, offset);
        setLanguageOffset(offset);
        QTEST(GetText(static_cast<TextId>(id)), "text");
    }

    void fillPlaceholders_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("values"); // separated by '|'
        QTest::addColumn<QString>("filled");
        auto row = [](const char* name, const QString& text, const char* values, const char* filled) {
            QTest::newRow(name) << text << QString::fromLatin1(values) << QString::fromLatin1(filled);
        };
        row("one value", u"Programmversion: V%%"_s, "1.0.3", "Programmversion: V1.0.3");
        row("first even when empty", u"a %% b %%"_s, "|x", "a  b x");
        row("stops at an empty value", u"%%-%%-%%"_s, "1||3", "1-%%-%%");
        row("no marks", u"abc"_s, "x", "abc");
        row("a mark inside a value stays", u"%% [F%%]"_s, "/data/50%%/x.cfg|3", "/data/50%%/x.cfg [F3]");
        row("eleven values at most", QString(24, u'%'), "1|2|3|4|5|6|7|8|9|10|11|12", "1234567891011%%");
    }
    void fillPlaceholders() {
        QFETCH(QString, text);
        QFETCH(QString, values);
        const QString returned = FillPlaceholders(text, values.split(u'|'));
        QTEST(text, "filled");
        QTEST(returned, "filled");
    }
};

QTEST_GUILESS_MAIN(TextsTest)
#include "tst_texts.moc"
