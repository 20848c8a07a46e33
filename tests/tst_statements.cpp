#include <QtTest>

#include "statements.h"

using Letters = std::array<std::string, 10>;
Q_DECLARE_METATYPE(Letters)

class TestStatements : public QObject {
    Q_OBJECT

private slots:
    void searchPattern_data()
    {
        QTest::addColumn<Letters>("letters");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");

        QTest::newRow("gaps become underscores")
            << Letters{"K", "", "A", "", "", "", "", "", "", ""} << 5 << "K_A__";
        QTest::newRow("only empty boxes") << Letters{} << 2 << "__";
        QTest::newRow("boxes past the count do not count")
            << Letters{"", "E", "", "X", "X", "X", "X", "X", "X", "X"} << 3 << "_E_";
        QTest::newRow("count past the ten boxes keeps the whole pattern")
            << Letters{"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"} << 12 << "ABCDEFGHIJ";
        QTest::newRow("two-byte letter counts as one")
            << Letters{"I", "D", "E", "E", "Ë", "N", "X", "", "", ""} << 6 << "IDEEËN";
        QTest::newRow("cut right after a two-byte letter")
            << Letters{"Ë", "", "", "", "", "", "", "", "", ""} << 1 << "Ë";
        QTest::newRow("no letters") << Letters{"K", "A", "A", "S", "", "", "", "", "", ""} << 0 << "";
        QTest::newRow("negative count") << Letters{"K", "A", "A", "S", "", "", "", "", "", ""} << -1 << "";
    }
    void searchPattern()
    {
        QFETCH(Letters, letters);
        QFETCH(int, count);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(kv::searchPattern(letters, count)), expected);
    }

    void statementTexts_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("expected");

        QTest::newRow("search") << QString::fromStdString(kv::searchStatement("K_A__"))
                                << "SELECT * FROM kvls WHERE woord LIKE 'K_A__' ORDER BY woord;";
        QTest::newRow("insert") << QString::fromStdString(kv::insertStatement("KAAS", "4"))
                                << "INSERT INTO kvls VALUES ('KAAS','4','null','null','null','null','null');";
    }
    void statementTexts()
    {
        QFETCH(QString, statement);
        QFETCH(QString, expected);
        QCOMPARE(statement, expected);
    }

    void upperAscii_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "kaas"
                               << "KAAS";
        QTest::newRow("accented letters stay") << "ideeën"
                                               << "IDEEëN";
        QTest::newRow("apostrophe stays") << "auto's"
                                          << "AUTO'S";
        QTest::newRow("empty") << ""
                               << "";
    }
    void upperAscii()
    {
        QFETCH(QString, word);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(kv::upperAscii(word.toStdString())), expected);
    }

    void likeLiteral_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("backslash doubled") << "A\\B"
                                           << "A\\\\B";
        QTest::newRow("wildcards and quotes kept") << "%_'\""
                                                   << "%_'\"";
    }
    void likeLiteral()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(kv::likeLiteral(pattern.toStdString())), expected);
    }

    void characterCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("ascii") << "KAAS" << 4;
        QTest::newRow("two-byte letter") << "ideeën" << 6;
        QTest::newRow("empty") << "" << 0;
    }
    void characterCount()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(kv::characterCount(text.toStdString()), expected);
    }
};

QTEST_GUILESS_MAIN(TestStatements)
#include "tst_statements.moc"
