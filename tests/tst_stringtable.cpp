// The built-in string table: it must parse cleanly, hold every id the program looks up in both languages,
// keep odd blanks and typos exactly, and carry catalogue records that German and English agree on.

#include "app/Texts.h"

#include <QFile>
#include <QStringDecoder>
#include <QtTest>

namespace {

constexpr int English = 10000;

struct IdRange {
    const char* name;
    int first;
    int last; // inclusive
};

// Every range of ids the program reads; the catalogue ranges end where the catalogue ends.
constexpr IdRange AllRanges[] = {
    {"catalogue, type 0 commands", 1000, 1009},
    {"catalogue, type 0 queries", 1200, 1200},
    {"catalogue, type 1 commands", 2000, 2019},
    {"catalogue, type 1 queries", 2200, 2213},
    {"main window", 3000, 3051},
    {"messages and states", 3100, 3138},
    {"assistant", 3200, 3213},
    {"viewer", 3400, 3401},
};
constexpr IdRange CatalogueRanges[] = {AllRanges[0], AllRanges[1], AllRanges[2], AllRanges[3]};

QByteArray readTableSource() {
    QFile file(QStringLiteral(":/telvane/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Fields at these (0-based) positions must be the same in both languages: count, command word, types, limits.
bool isLanguageNeutralField(qsizetype index) {
    return index == 2 || index == 3 || (index >= 4 && (index - 4) % 3 != 0);
}

} // namespace

class StringTableTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void sourceIsCleanUtf8WithLfLineEnds();
    void parsesWithoutErrors();
    void everyIdExistsInBothLanguages_data();
    void everyIdExistsInBothLanguages();
    void onlyKnownTextsHaveOuterBlanks();
    void exactTexts_data();
    void exactTexts();
    void catalogueRangesEndWhereTheyShould_data();
    void catalogueRangesEndWhereTheyShould();
    void catalogueRecordsAreWellFormed_data();
    void catalogueRecordsAreWellFormed();

    void fillPlaceholders_data();
    void fillPlaceholders();
    void fillPlaceholdersOnTableTexts();
    void getTextFollowsLanguageOffset();
};

void StringTableTest::cleanup() {
    SetLanguageOffset(0);
}

void StringTableTest::sourceIsCleanUtf8WithLfLineEnds() {
    const QByteArray source = readTableSource();
    QVERIFY2(!source.isEmpty(), "the string table is not compiled into the program");
    QVERIFY(!source.contains('\r'));
    QVERIFY(source.endsWith('\n'));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(source);
    QVERIFY2(!decoder.hasError(), "the string table is not valid UTF-8");
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
}

void StringTableTest::parsesWithoutErrors() {
    QStringList errors;
    const StringTable parsed = StringTable::parse(QString::fromUtf8(readTableSource()), &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    QVERIFY(parsed.size() > 0);
    QCOMPARE(StringTable::builtIn().size(), parsed.size());

    qsizetype expected = 0;
    for (const IdRange& range : AllRanges)
        expected += 2 * (range.last - range.first + 1);
    QCOMPARE(parsed.size(), expected);
}

void StringTableTest::everyIdExistsInBothLanguages_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    for (const IdRange& range : AllRanges)
        QTest::newRow(range.name) << range.first << range.last;
}

void StringTableTest::everyIdExistsInBothLanguages() {
    QFETCH(int, first);
    QFETCH(int, last);
    const StringTable& table = StringTable::builtIn();
    for (int id = first; id <= last; ++id) {
        for (const int offset : {0, English}) {
            const int key = id + offset;
            QVERIFY2(table.contains(key), qPrintable(QStringLiteral("id %1 missing").arg(key)));
            QVERIFY2(!table.text(key).isEmpty(), qPrintable(QStringLiteral("id %1 empty").arg(key)));
        }
    }
}

void StringTableTest::onlyKnownTextsHaveOuterBlanks() {
    // A stray blank at either end is invisible in most editors; only this title carries one on purpose.
    const StringTable& table = StringTable::builtIn();
    QList<int> withBlanks;
    for (const IdRange& range : AllRanges) {
        for (int id = range.first; id <= range.last; ++id) {
            for (const int key : {id, id + English}) {
                const QString text = table.text(key);
                if (text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' ')))
                    withBlanks.append(key);
            }
        }
    }
    QCOMPARE(withBlanks, QList<int>{13121});
}

void StringTableTest::exactTexts_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("utf8");

    QTest::newRow("1003 record") << 1003
                                 << QByteArray(
                                        "Messprogramm einstellen (SP),Nur m\xc3\xb6glich w\xc3\xa4hrend des "
                                        "Messbetriebs,2,SP,Ger\xc3\xa4teadresse,%d,0#99,"
                                        "Messprogrammnummer,%d,0#31");
    QTest::newRow("11003 record") << 11003
                                  << QByteArray(
                                         "Set measurement program (SP),Only possible during production "
                                         "mode!,2,SP,Device address,%d,0#99,Measurement program No.,%d,0#31");
    QTest::newRow("2200 record") << 2200 << QByteArray("Zustand des Messbetriebs abfragen (GM),,0,GM");
    QTest::newRow("12200 record") << 12200 << QByteArray("Get production mode status (GM),,0,GM");
    QTest::newRow("1006 note leading blank")
        << 1006
        << QByteArray(
               "Backupdatei in Ger\xc3\xa4t uploaden (UF), Nur m\xc3\xb6glich wenn Messbetrieb beendet ist! "
               "Kompletter Dateipfad bitte in Hochkommata setzen.,2,UF,Ger\xc3\xa4teadresse,%d,0#99,"
               "kompletter Dateipfad,%p,256");
    QTest::newRow("11006 note leading blank")
        << 11006
        << QByteArray(
               "Upload backup file into device (UF), Only possible if production mode is off! Please set "
               "the complete file path into high commata.,2,UF,Device address,%d,0#99,Complete file "
               "path,%p,256");
    QTest::newRow("12004 name trailing blank")
        << 12004
        << QByteArray(
               "Set manual component caption (SC),Only possible if 'Manual definition' is set!,2,SC,Device "
               "address or the last Ethernet segment,%d,0#255,Manual component caption ,%r,32");
    QTest::newRow("12016 two blanks")
        << 12016
        << QByteArray("Device group: Set additional part-No. parameter 1  (SP1A),,1,SP1A,Additional part-No. "
                      "parameter 1,%r,32");
    QTest::newRow("12017 two blanks")
        << 12017
        << QByteArray("Device group: Set additional part-No. parameter 2  (SP2A),,1,SP2A,Additional part-No. "
                      "parameter 2,%r,32");
    QTest::newRow("11000 typo") << 11000
                                << QByteArray(
                                       "Quit production mode (SM 0),Only possible if production mode ist "
                                       "active,0,SM 0");
    QTest::newRow("13117 typo") << 13117 << QByteArray("Ccommand configuration file");
    QTest::newRow("13121 trailing blank") << 13121 << QByteArray("Missing description text ");
    QTest::newRow("13030 three blanks") << 13030 << QByteArray("Save   -->");
    QTest::newRow("13031 four blanks") << 13031 << QByteArray("<--    Edit");
    QTest::newRow("13113 typo") << 13113 << QByteArray("Error occured while connecting.");
    QTest::newRow("13209 quotes") << 13209 << QByteArray("You don't entered parameter ' %% ' !");
    QTest::newRow("3209") << 3209 << QByteArray("Sie haben den Parameter ' %% ' nicht eingeben!");
    QTest::newRow("3207 filter") << 3207
                                 << QByteArray("Backupdateien (*.txt)|*.txt|Ger\xc3\xa4teliste Dateien "
                                               "(*.inf)|*.inf");
    QTest::newRow("13207 filter") << 13207 << QByteArray("Backup file");
    QTest::newRow("3106 capital umlaut") << 3106
                                         << QByteArray("\xc3\x9c"
                                                       "berwachen.");
    QTest::newRow("3112 sharp s") << 3112
                                  << QByteArray("Partner schlie\xc3\x9f"
                                                "t die Verbindung.");
    QTest::newRow("3100 placeholder")
        << 3100
        << QByteArray("M\xc3\xb6"
                      "chten Sie den Befehlsablauf des Speicherplatzes [F%%] wirklich l\xc3\xb6schen?");
    QTest::newRow("13041 German in English") << 13041 << QByteArray("Deutsch");
    QTest::newRow("3042 English in German") << 3042 << QByteArray("English");
    QTest::newRow("3132 own message") << 3132
                                      << QByteArray("Die Konfigurationsdatei \"%%\" konnte nicht gespeichert "
                                                    "werden: %%");
    QTest::newRow("13135 own message")
        << 13135 << QByteArray("The configuration file \"%%\" could not be read: %%");
}

void StringTableTest::exactTexts() {
    QFETCH(int, id);
    QFETCH(QByteArray, utf8);
    const QString text = StringTable::builtIn().text(id);
    QCOMPARE(text.toUtf8(), utf8);
    // Compared as UTF-16 too, so a table read as Latin-1 would fail here even where bytes round-trip.
    QCOMPARE(text, QString::fromUtf8(utf8));
}

void StringTableTest::catalogueRangesEndWhereTheyShould_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    for (const IdRange& range : CatalogueRanges)
        QTest::newRow(range.name) << range.first << range.last;
}

void StringTableTest::catalogueRangesEndWhereTheyShould() {
    QFETCH(int, first);
    QFETCH(int, last);
    // The catalogue is read id by id until the first empty text, in either language.
    for (const int offset : {0, English}) {
        SetLanguageOffset(offset);
        int id = first;
        while (!GetText(id).isEmpty())
            ++id;
        QCOMPARE(id, last + 1);
        QVERIFY(!StringTable::builtIn().contains(last + 1 + offset));
    }
}

void StringTableTest::catalogueRecordsAreWellFormed_data() {
    QTest::addColumn<int>("id");
    for (const IdRange& range : CatalogueRanges) {
        for (int id = range.first; id <= range.last; ++id)
            QTest::addRow("%d", id) << id;
    }
}

void StringTableTest::catalogueRecordsAreWellFormed() {
    QFETCH(int, id);
    const StringTable& table = StringTable::builtIn();
    const QStringList german = table.text(id).split(QLatin1Char(','));
    const QStringList english = table.text(id + English).split(QLatin1Char(','));

    for (const QStringList& fields : {german, english}) {
        QVERIFY2(fields.size() == 4 || fields.size() == 7 || fields.size() == 10,
                 qPrintable(fields.join(QLatin1Char(','))));
        bool ok = false;
        const int count = fields.at(2).toInt(&ok);
        QVERIFY(ok);
        QCOMPARE(fields.size(), 4 + 3 * count);
        QVERIFY(!fields.at(0).isEmpty());
        QVERIFY(fields.at(0).endsWith(QLatin1Char('(') + fields.at(3) + QLatin1Char(')')));
        for (int k = 0; k < count; ++k) {
            const QString& name = fields.at(4 + 3 * k);
            const QString& type = fields.at(5 + 3 * k);
            const QString& limit = fields.at(6 + 3 * k);
            QVERIFY(!name.isEmpty());
            if (type == QLatin1String("%d")) {
                const QStringList bounds = limit.split(QLatin1Char('#'));
                QCOMPARE(bounds.size(), 2);
                bool minOk = false;
                bool maxOk = false;
                const int minimum = bounds.at(0).toInt(&minOk);
                const int maximum = bounds.at(1).toInt(&maxOk);
                QVERIFY(minOk && maxOk);
                QVERIFY(minimum <= maximum);
            } else {
                QVERIFY2(type == QLatin1String("%s") || type == QLatin1String("%r") ||
                             type == QLatin1String("%p"),
                         qPrintable(type));
                bool lengthOk = false;
                const int length = limit.toInt(&lengthOk);
                QVERIFY(lengthOk);
                QVERIFY(length >= 1 && length <= 32767);
            }
        }
    }

    QCOMPARE(english.size(), german.size());
    for (qsizetype i = 0; i < german.size(); ++i) {
        if (isLanguageNeutralField(i))
            QCOMPARE(english.at(i), german.at(i));
    }
}

void StringTableTest::fillPlaceholders_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("expected");

    QTest::newRow("single value") << QStringLiteral("Programmversion: V%%")
                                  << QStringList{QStringLiteral("1.0.3")}
                                  << QStringLiteral("Programmversion: V1.0.3");
    QTest::newRow("empty first value still fills")
        << QStringLiteral("a %% b %%") << QStringList{QString(), QStringLiteral("x")}
        << QStringLiteral("a  b x");
    QTest::newRow("stops at first empty after first")
        << QStringLiteral("%%-%%-%%") << QStringList{QStringLiteral("1"), QString(), QStringLiteral("3")}
        << QStringLiteral("1-%%-%%");
    QTest::newRow("no mark") << QStringLiteral("Zeit") << QStringList{QStringLiteral("x")}
                             << QStringLiteral("Zeit");
}

void StringTableTest::fillPlaceholders() {
    QFETCH(QString, text);
    QFETCH(QStringList, values);
    QFETCH(QString, expected);
    const QString returned = FillPlaceholders(text, values);
    QCOMPARE(returned, expected);
    QCOMPARE(text, expected);
}

void StringTableTest::fillPlaceholdersOnTableTexts() {
    const QStringList version{QStringLiteral("2007.1.0")};
    QString german = GetText(3049);
    QCOMPARE(FillPlaceholders(german, version), QStringLiteral("Programmversion: V2007.1.0"));
    SetLanguageOffset(English);
    QString english = GetText(3049);
    QCOMPARE(FillPlaceholders(english, version), QStringLiteral("Program version: V2007.1.0"));
    QString range = GetText(3211);
    QCOMPARE(FillPlaceholders(range, {QStringLiteral("-1"), QStringLiteral("2147483646")}),
             QStringLiteral("Possible value range: -1 to 2147483646"));
}

void StringTableTest::getTextFollowsLanguageOffset() {
    SetLanguageOffset(0);
    QCOMPARE(GetText(3111), QStringLiteral("Verbunden."));
    SetLanguageOffset(English);
    QCOMPARE(GetText(3111), QStringLiteral("Connected."));
    QCOMPARE(GetText(3139), QString());
    SetLanguageOffset(0);
    QCOMPARE(GetText(3139), QString());
    QCOMPARE(GetText(9999), QString());
    QCOMPARE(GetText(1010), QString());
}

QTEST_GUILESS_MAIN(StringTableTest)
#include "tst_stringtable.moc"
