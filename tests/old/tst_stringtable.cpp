// The built-in string table: it must parse cleanly, hold every id the program looks up in both languages,
// keep odd blanks and typos exactly, and carry catalogue records that German and English agree on.

#include "core/texts/Texts.h"

#include <QFile>
#include <QStringDecoder>
#include <QtTest>

namespace {

constexpr int English = 10000;

struct IdRange {
    int first;
    int last; // inclusive
};

// Every range of ids the program reads; the first four are the catalogue's and end where the catalogue ends.
constexpr IdRange AllRanges[] = {{1000, 1009}, {1200, 1200}, {2000, 2019}, {2200, 2213},
                                 {3000, 3051}, {3100, 3141}, {3200, 3213}, {3400, 3401}};
constexpr int CatalogueRangeCount = 4;

} // namespace

class StringTableTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetLanguageOffset(0); }

    void parsesWithoutErrors();
    void everyIdInBothLanguages();
    void exactTexts();
    void catalogueRangesAndRecords();
    void fillPlaceholders();
    void getTextFollowsLanguageOffset();
};

void StringTableTest::parsesWithoutErrors() {
    QFile file(QStringLiteral(":/telvane/strings.tsv"));
    QVERIFY2(file.open(QIODevice::ReadOnly), "the string table is not compiled into the program");
    const QByteArray source = file.readAll();
    QVERIFY(!source.contains('\r'));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(source);
    QVERIFY2(!decoder.hasError(), "the string table is not valid UTF-8");

    QStringList errors;
    const StringTable parsed = StringTable::parse(text, &errors);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    qsizetype expected = 0;
    for (const IdRange& range : AllRanges)
        expected += 2 * (range.last - range.first + 1);
    QCOMPARE(parsed.size(), expected);
    QCOMPARE(StringTable::builtIn().size(), expected);
}

void StringTableTest::everyIdInBothLanguages() {
    // A stray blank at either end is invisible in most editors; only one title carries one on purpose.
    const StringTable& table = StringTable::builtIn();
    QList<int> withOuterBlanks;
    for (const IdRange& range : AllRanges) {
        for (int id = range.first; id <= range.last; ++id) {
            for (const int key : {id, id + English}) {
                const QString text = table.text(key);
                QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("id %1 missing").arg(key)));
                if (text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' ')))
                    withOuterBlanks.append(key);
            }
        }
    }
    QCOMPARE(withOuterBlanks, QList<int>{13121});
}

void StringTableTest::exactTexts() {
    const QList<QPair<int, QString>> texts{
        {1003,
         QStringLiteral("Messprogramm einstellen (SP),Nur m\u00f6glich w\u00e4hrend des Messbetriebs,2,SP,"
                        "Ger\u00e4teadresse,%d,0#99,Messprogrammnummer,%d,0#31")},
        {2200, QStringLiteral("Zustand des Messbetriebs abfragen (GM),,0,GM")},
        // Note d begins with a blank.
        {1006,
         QStringLiteral("Backupdatei in Ger\u00e4t uploaden (UF), Nur m\u00f6glich wenn Messbetrieb beendet "
                        "ist! Kompletter Dateipfad bitte in Hochkommata setzen.,2,UF,Ger\u00e4teadresse,%d,"
                        "0#99,kompletter Dateipfad,%p,256")},
        {12016, QStringLiteral("Device group: Set additional part-No. parameter 1  (SP1A),,1,SP1A,Additional "
                               "part-No. parameter 1,%r,32")},
        {12017, QStringLiteral("Device group: Set additional part-No. parameter 2  (SP2A),,1,SP2A,Additional "
                               "part-No. parameter 2,%r,32")},
        {13117, QStringLiteral("Ccommand configuration file")},
        {13121, QStringLiteral("Missing description text ")},
        {13030, QStringLiteral("Save   -->")},
        {13031, QStringLiteral("<--    Edit")},
    };
    for (const auto& [id, text] : texts)
        QCOMPARE(StringTable::builtIn().text(id), text);
}

void StringTableTest::catalogueRangesAndRecords() {
    const StringTable& table = StringTable::builtIn();
    for (int r = 0; r < CatalogueRangeCount; ++r) {
        const IdRange range = AllRanges[r];
        // The catalogue is read id by id until the first empty text, in either language.
        for (const int offset : {0, English}) {
            SetLanguageOffset(offset);
            int id = range.first;
            while (!GetText(id).isEmpty())
                ++id;
            QCOMPARE(id, range.last + 1);
        }
        for (int id = range.first; id <= range.last; ++id) {
            const QStringList german = table.text(id).split(QLatin1Char(','));
            const QStringList english = table.text(id + English).split(QLatin1Char(','));
            const QString at = QString::number(id);
            QVERIFY2(german.size() >= 4 && german.size() == 4 + 3 * german.at(2).toInt(), qPrintable(at));
            QVERIFY2(english.size() == german.size(), qPrintable(at));
            QVERIFY2(german.at(0).endsWith(QLatin1Char('(') + german.at(3) + QLatin1Char(')')),
                     qPrintable(at));
            // Count, command word, and each parameter's type and limit are the same in both languages.
            for (qsizetype i = 2; i < german.size(); ++i) {
                if (i < 4 || (i - 4) % 3 != 0)
                    QVERIFY2(english.at(i) == german.at(i), qPrintable(at));
            }
        }
    }
}

void StringTableTest::fillPlaceholders() {
    // The text is filled in place and returned.
    auto fill = [](QString text, const QStringList& values) {
        const QString returned = FillPlaceholders(text, values);
        return returned == text ? returned : QStringLiteral("<not filled in place>");
    };
    QCOMPARE(fill(QStringLiteral("Programmversion: V%%"), {QStringLiteral("1.0.3")}),
             QStringLiteral("Programmversion: V1.0.3"));
    QCOMPARE(fill(QStringLiteral("a %% b %%"), {QString(), QStringLiteral("x")}), QStringLiteral("a  b x"));
    // Filling stops at the first empty value after the first.
    QCOMPARE(fill(QStringLiteral("%%-%%-%%"), {QStringLiteral("1"), QString(), QStringLiteral("3")}),
             QStringLiteral("1-%%-%%"));
    // A value holding the mark is put in whole; the next value goes to the next mark of the text.
    QCOMPARE(fill(QStringLiteral("%% [F%%]"), {QStringLiteral("/data/50%%/x.cfg"), QStringLiteral("3")}),
             QStringLiteral("/data/50%%/x.cfg [F3]"));
}

void StringTableTest::getTextFollowsLanguageOffset() {
    QCOMPARE(GetText(3111), QStringLiteral("Verbunden."));
    SetLanguageOffset(English);
    QCOMPARE(GetText(3111), QStringLiteral("Connected."));
    QCOMPARE(GetText(3149), QString());
}

QTEST_GUILESS_MAIN(StringTableTest)
#include "tst_stringtable.moc"
