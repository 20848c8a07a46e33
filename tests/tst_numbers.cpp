#include <QtTest>

#include "numbers.h"

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void strictAccepts_data();
    void strictAccepts();
    void strictRejects_data();
    void strictRejects();
    void lenient_data();
    void lenient();
    void nulKeepsTheMessageWhole();
};

void TestNumbers::strictAccepts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("42") << 42;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("blanks and tab") << QByteArray("  \t12") << 12;
    QTest::newRow("plus") << QByteArray("+5") << 5;
    QTest::newRow("minus after blanks") << QByteArray(" -3") << -3;
    QTest::newRow("minus zero") << QByteArray("-0") << 0;
    QTest::newRow("int max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("int min") << QByteArray("-2147483648") << (-2147483647 - 1);
    QTest::newRow("dollar") << QByteArray("$1f") << 31;
    QTest::newRow("x") << QByteArray("x10") << 16;
    QTest::newRow("X") << QByteArray("XaB") << 171;
    QTest::newRow("0x") << QByteArray("0x7FFFFFFF") << 2147483647;
    QTest::newRow("0X") << QByteArray("0X10") << 16;
    QTest::newRow("eight hex digits wrap") << QByteArray("$FFFFFFFF") << -1;
    QTest::newRow("hex high bit") << QByteArray("$80000000") << (-2147483647 - 1);
    QTest::newRow("signed hex") << QByteArray("-$10") << -16;
    QTest::newRow("blank plus hex") << QByteArray(" +0x1") << 1;
}

void TestNumbers::strictAccepts()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(kv::strictToInt(text.toStdString()), value);
    // Whatever is valid in full reads the same leniently, sign included.
    QCOMPARE(kv::lenientToInt(text.toStdString()), value);
}

void TestNumbers::strictRejects_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("blanks only") << QByteArray("   ");
    QTest::newRow("sign only") << QByteArray("-");
    QTest::newRow("letters") << QByteArray("abc");
    QTest::newRow("trailing letter") << QByteArray("7x");
    QTest::newRow("trailing blank") << QByteArray("12 ");
    QTest::newRow("blank after sign") << QByteArray("- 1");
    QTest::newRow("two signs") << QByteArray("--1");
    QTest::newRow("just over max") << QByteArray("2147483648");
    QTest::newRow("just under min") << QByteArray("-2147483649");
    QTest::newRow("huge") << QByteArray("99999999999");
    QTest::newRow("prefix only $") << QByteArray("$");
    QTest::newRow("prefix only 0x") << QByteArray("0x");
    QTest::newRow("nine hex digits") << QByteArray("$100000000");
    QTest::newRow("bad hex digit") << QByteArray("$1G");
    QTest::newRow("newline is no blank") << QByteArray("\n1");
    QTest::newRow("decimal point") << QByteArray("1.5");
}

void TestNumbers::strictRejects()
{
    QFETCH(QByteArray, text);
    const std::string s = text.toStdString();
    try {
        kv::strictToInt(s);
        QFAIL("accepted");
    } catch (const kv::ConversionError& e) {
        QCOMPARE(std::string(e.what()), "'" + s + "' is not a valid integer value");
    }
}

void TestNumbers::lenient_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("trailing letter") << QByteArray("7x") << 7;
    QTest::newRow("blanks then junk") << QByteArray("  12ab") << 12;
    QTest::newRow("sign dropped") << QByteArray("-3x") << 3;
    QTest::newRow("sign only") << QByteArray("-") << 0;
    QTest::newRow("trailing blank") << QByteArray("12 ") << 12;
    QTest::newRow("hex junk") << QByteArray("$1G") << 1;
    QTest::newRow("signed hex junk") << QByteArray("-0x1fz") << 31;
    QTest::newRow("prefix only") << QByteArray("0x") << 0;
    QTest::newRow("nine hex digits") << QByteArray("$123456789") << 0x12345678;
    QTest::newRow("just over max") << QByteArray("2147483648") << 214748364;
    QTest::newRow("huge") << QByteArray("99999999999") << 999999999;
    QTest::newRow("huge negative") << QByteArray("-99999999999") << 999999999;
}

void TestNumbers::lenient()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(kv::lenientToInt(text.toStdString()), value);
}

// Found by fuzzing: the message goes out as a C string, and a NUL in the
// text cut it off before "is not a valid integer value".
void TestNumbers::nulKeepsTheMessageWhole()
{
    const std::string text("7\0x", 3);
    try {
        kv::strictToInt(text);
        QFAIL("accepted");
    } catch (const kv::ConversionError& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QString::fromUtf8("'7\uFFFDx' is not a valid integer value"));
    }
    QCOMPARE(kv::lenientToInt(text), 7);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
