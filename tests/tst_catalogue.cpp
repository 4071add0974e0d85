// The catalogue without any widget: the field splitter, the two id ranges per device type, and what a record
// says about its parameters, defaults and odd records included.

#include "app/Texts.h"
#include "assistant/Catalogue.h"

#include <QtTest>

#include <limits>

namespace {
constexpr int English = 10000;
const QString Comma = QStringLiteral(",");
const QString Hash = QStringLiteral("#");
} // namespace

class CatalogueTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void getField_data();
    void getField();
    void getFieldOnLongTexts();

    void numberBounds_data();
    void numberBounds();
    void lengthLimits_data();
    void lengthLimits();
    void parameterTypes_data();
    void parameterTypes();
    void parameterCount_data();
    void parameterCount();
    void recordFields();
    void recordOutsideTheGrammar();

    void catalogueSize_data();
    void catalogueSize();
};

void CatalogueTest::cleanup() {
    SetLanguageOffset(0);
}

void CatalogueTest::getField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::addColumn<bool>("digitsOnly");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    const QString gm = QStringLiteral("Zustand des Messbetriebs abfragen (GM),,0,GM");
    QTest::newRow("record, description")
        << gm << 1 << false << Comma << QStringLiteral("Zustand des Messbetriebs abfragen (GM)");
    QTest::newRow("record, empty note") << gm << 2 << false << Comma << QString();
    QTest::newRow("record, count") << gm << 3 << false << Comma << QStringLiteral("0");
    QTest::newRow("record, command word") << gm << 4 << false << Comma << QStringLiteral("GM");
    QTest::newRow("record, past the last") << gm << 5 << false << Comma << QString();
    QTest::newRow("record, field 0") << gm << 0 << false << Comma << QString();
    QTest::newRow("negative field") << gm << -1 << false << Comma << QString();

    QTest::newRow("bounds, minimum") << QStringLiteral("-1#2147483646") << 1 << true << Hash
                                     << QStringLiteral("-1");
    QTest::newRow("bounds, maximum") << QStringLiteral("-1#2147483646") << 2 << true << Hash
                                     << QStringLiteral("2147483646");
    QTest::newRow("digits only drops blanks and letters")
        << QStringLiteral("1 2a#x-3.5 ") << 1 << true << Hash << QStringLiteral("12");
    QTest::newRow("digits only keeps minus and point")
        << QStringLiteral("1 2a#x-3.5 ") << 2 << true << Hash << QStringLiteral("-3.5");
    QTest::newRow("digits only, nothing left") << QStringLiteral("abc#1") << 1 << true << Hash << QString();
    QTest::newRow("digits only, separator wins")
        << QStringLiteral("1-2") << 2 << true << QStringLiteral("-") << QStringLiteral("2");
    QTest::newRow("without digits only letters stay")
        << QStringLiteral("1 2a#x") << 1 << false << Hash << QStringLiteral("1 2a");

    QTest::newRow("empty text, field 1") << QString() << 1 << false << Comma << QString();
    QTest::newRow("empty text, field 2") << QString() << 2 << false << Comma << QString();
    QTest::newRow("only separators, first") << QStringLiteral(",,") << 1 << false << Comma << QString();
    QTest::newRow("only separators, third") << QStringLiteral(",,") << 3 << false << Comma << QString();
    QTest::newRow("empty field counts")
        << QStringLiteral("a,,c") << 3 << false << Comma << QStringLiteral("c");
    QTest::newRow("trailing separator")
        << QStringLiteral("a,b,") << 2 << false << Comma << QStringLiteral("b");
    QTest::newRow("not trimmed") << QStringLiteral("a , b") << 2 << false << Comma << QStringLiteral(" b");
    QTest::newRow("no separator in text")
        << QStringLiteral("SM 0") << 1 << false << Comma << QStringLiteral("SM 0");

    QTest::newRow("long separator never matches")
        << QStringLiteral("a,b,c") << 1 << false << QStringLiteral(",b") << QStringLiteral("a,b,c");
    QTest::newRow("long separator, no field 2")
        << QStringLiteral("a,b,c") << 2 << false << QStringLiteral(",b") << QString();
    QTest::newRow("empty separator, whole text")
        << QStringLiteral("a,b") << 1 << false << QString() << QStringLiteral("a,b");
    QTest::newRow("case-sensitive separator")
        << QStringLiteral("aXbxc") << 1 << false << QStringLiteral("x") << QStringLiteral("aXb");
    QTest::newRow("umlaut kept") << QStringLiteral("Ger\u00e4teadresse,%d") << 1 << false << Comma
                                 << QStringLiteral("Ger\u00e4teadresse");
}

void CatalogueTest::getField() {
    QFETCH(QString, text);
    QFETCH(int, field);
    QFETCH(bool, digitsOnly);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(GetField(text, field, digitsOnly, separator), expected);
}

void CatalogueTest::getFieldOnLongTexts() {
    // 32766 characters still fit the 16-bit position counter; one more does not.
    QString fits = QStringLiteral("a,") + QString(32764, QLatin1Char('b'));
    QCOMPARE(fits.size(), 32766);
    QCOMPARE(GetField(fits, 1, false, Comma), QStringLiteral("a"));
    QCOMPARE(GetField(fits, 2, false, Comma).size(), 32764);

    const QString tooLong = fits + QLatin1Char('b');
    QCOMPARE(tooLong.size(), 32767);
    QCOMPARE(GetField(tooLong, 1, false, Comma), QString());
    QCOMPARE(GetField(tooLong, 2, false, Comma), QString());
}

void CatalogueTest::numberBounds_data() {
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");

    QTest::newRow("address of type 0") << QStringLiteral("0#99") << 0 << 99;
    QTest::newRow("address of type 1") << QStringLiteral("0#255") << 0 << 255;
    QTest::newRow("part number") << QStringLiteral("-1#2147483646") << -1 << 2147483646;
    QTest::newRow("whole 32-bit range") << QStringLiteral("-2147483648#2147483647")
                                        << std::numeric_limits<int>::min() << std::numeric_limits<int>::max();
    QTest::newRow("single number") << QStringLiteral("7") << 7 << 1;
    QTest::newRow("empty limit") << QString() << 0 << 1;
    QTest::newRow("no numbers") << QStringLiteral("x#y") << 0 << 1;
    QTest::newRow("only a maximum") << QStringLiteral("#31") << 0 << 31;
    QTest::newRow("only a minimum") << QStringLiteral("3#") << 3 << 1;
    QTest::newRow("blanks and letters dropped") << QStringLiteral(" 1 0 #2a0") << 10 << 20;
    QTest::newRow("two minus signs") << QStringLiteral("--1#5-") << 0 << 1;
    QTest::newRow("beyond 32 bits") << QStringLiteral("99999999999#-99999999999") << 0 << 1;
    QTest::newRow("fraction rounds half to even") << QStringLiteral("0.5#2.5") << 0 << 2;
    QTest::newRow("fraction rounds") << QStringLiteral("1.6#98.7") << 2 << 99;
}

void CatalogueTest::numberBounds() {
    QFETCH(QString, limit);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    const CatalogueParameter parameter{QStringLiteral("Value"), QStringLiteral("%d"), limit};
    QCOMPARE(parameter.minimum(), minimum);
    QCOMPARE(parameter.maximum(), maximum);
}

void CatalogueTest::lengthLimits_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("length");

    QTest::newRow("text 20") << QStringLiteral("%s") << QStringLiteral("20") << 20;
    QTest::newRow("text 20000") << QStringLiteral("%s") << QStringLiteral("20000") << 20000;
    QTest::newRow("text not a number") << QStringLiteral("%s") << QStringLiteral("many") << 100;
    QTest::newRow("text empty") << QStringLiteral("%s") << QString() << 100;
    QTest::newRow("restricted 63") << QStringLiteral("%r") << QStringLiteral("63") << 63;
    QTest::newRow("restricted not a number") << QStringLiteral("%r") << QStringLiteral("x") << 100;
    QTest::newRow("path 256") << QStringLiteral("%p") << QStringLiteral("256") << 256;
    QTest::newRow("path not a number") << QStringLiteral("%p") << QStringLiteral("x") << 256;
    QTest::newRow("path empty") << QStringLiteral("%p") << QString() << 256;
    QTest::newRow("smallest") << QStringLiteral("%s") << QStringLiteral("1") << 1;
    QTest::newRow("largest") << QStringLiteral("%s") << QStringLiteral("32767") << 32767;
    QTest::newRow("one past the largest") << QStringLiteral("%s") << QStringLiteral("32768") << 100;
    QTest::newRow("zero") << QStringLiteral("%s") << QStringLiteral("0") << 100;
    QTest::newRow("negative") << QStringLiteral("%r") << QStringLiteral("-5") << 100;
    QTest::newRow("path zero") << QStringLiteral("%p") << QStringLiteral("0") << 256;
    QTest::newRow("path too long") << QStringLiteral("%p") << QStringLiteral("70000") << 256;
    QTest::newRow("unknown type ignores its limit") << QStringLiteral("%x") << QStringLiteral("50") << 100;
}

void CatalogueTest::lengthLimits() {
    QFETCH(QString, type);
    QFETCH(QString, limit);
    QFETCH(int, length);
    const CatalogueParameter parameter{QStringLiteral("Value"), type, limit};
    QCOMPARE(parameter.maxLength(), length);
}

void CatalogueTest::parameterTypes_data() {
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<int>("type");
    QTest::newRow("%d") << QStringLiteral("%d") << int(ParameterType::Number);
    QTest::newRow("%s") << QStringLiteral("%s") << int(ParameterType::Text);
    QTest::newRow("%r") << QStringLiteral("%r") << int(ParameterType::RestrictedText);
    QTest::newRow("%p") << QStringLiteral("%p") << int(ParameterType::Path);
    QTest::newRow("upper case") << QStringLiteral("%D") << int(ParameterType::Unknown);
    QTest::newRow("with a blank") << QStringLiteral("%s ") << int(ParameterType::Unknown);
    QTest::newRow("empty") << QString() << int(ParameterType::Unknown);
    QTest::newRow("other") << QStringLiteral("%f") << int(ParameterType::Unknown);
}

void CatalogueTest::parameterTypes() {
    QFETCH(QString, typeText);
    QFETCH(int, type);
    const CatalogueParameter parameter{QStringLiteral("Value"), typeText, QStringLiteral("10")};
    QCOMPARE(int(parameter.type()), type);
}

void CatalogueTest::parameterCount_data() {
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("expected"); // -1: not usable
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("2") << QStringLiteral("2") << 2;
    QTest::newRow("3, outside the grammar") << QStringLiteral("3") << 3;
    QTest::newRow("largest") << QStringLiteral("254") << 254;
    QTest::newRow("too large") << QStringLiteral("255") << -1;
    QTest::newRow("negative") << QStringLiteral("-1") << -1;
    QTest::newRow("letters") << QStringLiteral("two") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void CatalogueTest::parameterCount() {
    QFETCH(QString, count);
    QFETCH(int, expected);
    const CatalogueRecord record(QStringLiteral("Something (XY),,") + count + QStringLiteral(",XY"));
    QCOMPARE(record.countText(), count);
    QCOMPARE(record.parameterCount().value_or(-1), expected);
}

void CatalogueTest::recordFields() {
    const CatalogueRecord sp(GetText(1003));
    QCOMPARE(sp.description(), QStringLiteral("Messprogramm einstellen (SP)"));
    QCOMPARE(sp.note(), QStringLiteral("Nur m\u00f6glich w\u00e4hrend des Messbetriebs"));
    QCOMPARE(sp.parameterCount(), std::optional<int>(2));
    QCOMPARE(sp.commandWord(), QStringLiteral("SP"));
    const CatalogueParameter address = sp.parameter(1);
    QCOMPARE(address.name, QStringLiteral("Ger\u00e4teadresse"));
    QCOMPARE(address.type(), ParameterType::Number);
    QCOMPARE(address.limit, QStringLiteral("0#99"));
    QCOMPARE(address.minimum(), 0);
    QCOMPARE(address.maximum(), 99);
    const CatalogueParameter program = sp.parameter(2);
    QCOMPARE(program.name, QStringLiteral("Messprogrammnummer"));
    QCOMPARE(program.maximum(), 31);
    QCOMPARE(sp.parameter(3).name, QString());

    // Blanks are part of the text: the note of 1006 starts with one, a name of 12004 ends with one.
    QCOMPARE(CatalogueRecord(GetText(1006)).note().front(), QLatin1Char(' '));
    QCOMPARE(CatalogueRecord(GetText(12004)).parameter(2).name, QStringLiteral("Manual component caption "));
    QCOMPARE(CatalogueRecord(GetText(1000)).commandWord(), QStringLiteral("SM 0"));

    const CatalogueRecord gm(GetText(2200));
    QCOMPARE(gm.note(), QString());
    QCOMPARE(gm.parameterCount(), std::optional<int>(0));
    QCOMPARE(gm.parameter(1).typeText, QString());
}

void CatalogueTest::recordOutsideTheGrammar() {
    const CatalogueRecord odd(QStringLiteral("Odd (ZZ),,3,ZZ,Alpha,%q,5,Beta,%d,1#3,Gamma,%s,4"));
    QCOMPARE(odd.parameterCount(), std::optional<int>(3));
    QCOMPARE(odd.parameter(1).type(), ParameterType::Unknown);
    QCOMPARE(odd.parameter(1).maxLength(), 100);
    QCOMPARE(odd.parameter(2).maximum(), 3);
    QCOMPARE(odd.parameter(3).name, QStringLiteral("Gamma"));
    QCOMPARE(odd.parameter(3).maxLength(), 4);
    // A parameter the record does not hold has no name and no type: free text.
    QCOMPARE(odd.parameter(4).type(), ParameterType::Unknown);

    const CatalogueRecord bare(QStringLiteral("Just a description"));
    QCOMPARE(bare.description(), QStringLiteral("Just a description"));
    QCOMPARE(bare.commandWord(), QString());
    QVERIFY(!bare.parameterCount());
}

void CatalogueTest::catalogueSize_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<bool>("queries");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("firstId");
    QTest::addColumn<int>("lastId");

    for (const int offset : {0, English}) {
        const char* language = offset == 0 ? "German" : "English";
        QTest::addRow("%s, type 0 without queries", language) << offset << 0 << false << 10 << 1000 << 1009;
        QTest::addRow("%s, type 0 with queries", language) << offset << 0 << true << 11 << 1000 << 1200;
        QTest::addRow("%s, type 1 without queries", language) << offset << 1 << false << 20 << 2000 << 2019;
        QTest::addRow("%s, type 1 with queries", language) << offset << 1 << true << 34 << 2000 << 2213;
    }
    QTest::newRow("any other type counts as 1") << 0 << 5 << true << 34 << 2000 << 2213;
}

void CatalogueTest::catalogueSize() {
    QFETCH(int, offset);
    QFETCH(int, deviceType);
    QFETCH(bool, queries);
    QFETCH(int, count);
    QFETCH(int, firstId);
    QFETCH(int, lastId);
    SetLanguageOffset(offset);
    const QStringList records = LoadCommandCatalogue(deviceType, queries);
    QCOMPARE(records.size(), count);
    QCOMPARE(records.first(), StringTable::builtIn().text(firstId + offset));
    QCOMPARE(records.last(), StringTable::builtIn().text(lastId + offset));
}

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
