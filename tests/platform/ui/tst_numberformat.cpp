#include "NumberFormat.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void notFinite_data();
    void notFinite();
};

void TestNumberFormat::format_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    auto row = [](const char *name, const QString &picture, double value, const char *locale, const QString &expected) {
        QTest::newRow(name) << picture << value << QString::fromLatin1(locale) << expected;
    };

    // Whole numbers, as the lock grid shows SPIDs and counts.
    const QString whole = QStringLiteral("#########0");
    row("whole 54", whole, 54, "pt_BR", "54");
    row("whole 0", whole, 0, "pt_BR", "0");
    row("whole -7", whole, -7, "pt_BR", "-7");
    row("whole 12.5 half up", whole, 12.5, "pt_BR", "13");
    row("whole 2.5 half up", whole, 2.5, "pt_BR", "3");
    row("whole -2.5 half away from zero", whole, -2.5, "pt_BR", "-3");
    row("whole 0.5", whole, 0.5, "pt_BR", "1");
    row("whole 0.49", whole, 0.49, "pt_BR", "0");
    row("whole 9.5 carries", whole, 9.5, "pt_BR", "10");
    row("whole no separators", whole, 1234567, "pt_BR", "1234567");
    row("whole more digits than picture", whole, 123456789012.0, "pt_BR", "123456789012");
    row("whole short picture", QStringLiteral("#####0"), 54, "pt_BR", "54");
    row("whole short picture, long value", QStringLiteral("#####0"), 1234567, "en_US", "1234567");
    row("leading zeros", QStringLiteral("0000"), 5, "pt_BR", "0005");
    row("leading zeros, negative", QStringLiteral("0000"), -5, "pt_BR", "-0005");

    // A comma anywhere groups thousands; the zeros after it still count as required digits.
    const QString grouped = QStringLiteral("#######0,000");
    row("grouped 12 pt_BR", grouped, 12, "pt_BR", "0.012");
    row("grouped 12 C", grouped, 12, "C", "0,012");
    row("grouped 12 en_US", grouped, 12, "en_US", "0,012");
    row("grouped 1234567 pt_BR", grouped, 1234567, "pt_BR", "1.234.567");
    row("grouped 1234567 en_US", grouped, 1234567, "en_US", "1,234,567");
    row("grouped 0", grouped, 0, "pt_BR", "0.000");
    row("grouped -1234", grouped, -1234, "pt_BR", "-1.234");
    row("grouped 1000", QStringLiteral("#,##0"), 1000, "pt_BR", "1.000");
    row("grouped 999", QStringLiteral("#,##0"), 999, "pt_BR", "999");

    // Decimals, rounded on the decimal digits (half away from zero).
    const QString money = QStringLiteral("#,##0.00");
    row("money pt_BR", money, 1234.5, "pt_BR", "1.234,50");
    row("money en_US", money, 1234.5, "en_US", "1,234.50");
    row("money C", money, 1234.5, "C", "1,234.50");
    row("money negative", money, -1234.5, "pt_BR", "-1.234,50");
    row("money 0.005 up", money, 0.005, "pt_BR", "0,01");
    row("money 0.285 up", money, 0.285, "pt_BR", "0,29");
    row("money 1.005 up", money, 1.005, "pt_BR", "1,01");
    row("money 2.675 up", money, 2.675, "pt_BR", "2,68");
    row("money 0.004 down", money, 0.004, "pt_BR", "0,00");
    row("money carry into a new group", money, 999.995, "pt_BR", "1.000,00");
    row("money -0.004 shows no sign", money, -0.004, "pt_BR", "0,00");
    row("money millions", money, 1234567.891, "pt_BR", "1.234.567,89");
    row("money 0", money, 0, "pt_BR", "0,00");
    row("optional decimals trimmed", QStringLiteral("0.###"), 1.5, "pt_BR", "1,5");
    row("optional decimals none left", QStringLiteral("0.###"), 2, "pt_BR", "2");
    row("optional decimals rounded", QStringLiteral("0.###"), 3.14159, "pt_BR", "3,142");
    row("optional decimals all zero", QStringLiteral("0.###"), 0.0004, "pt_BR", "0");
    row("required then optional", QStringLiteral("0.0#"), 2, "en_US", "2.0");
    row("required then optional, full", QStringLiteral("0.0#"), 2.25, "en_US", "2.25");
    row("two required integer digits", QStringLiteral("00.00"), 5.5, "pt_BR", "05,50");

    // Sections: positive;negative;zero.
    const QString sections = QStringLiteral("0;(0);'zero'");
    row("sections positive", sections, 5, "pt_BR", "5");
    row("sections negative without sign", sections, -5, "pt_BR", "(5)");
    row("sections zero", sections, 0, "pt_BR", "zero");
    row("two sections, zero uses the first", QStringLiteral("0;(0)"), 0, "pt_BR", "0");
    row("empty negative section uses the first with sign", QStringLiteral("0;;'zero'"), -5, "pt_BR", "-5");
    row("empty negative section, zero", QStringLiteral("0;;'zero'"), 0, "pt_BR", "zero");
    row("negative section with decimals", QStringLiteral("#,##0.00;-#,##0.00' D'"), -1234.5, "pt_BR", "-1.234,50 D");

    // Literal text.
    row("quoted prefix", QStringLiteral("'R$ '#,##0.00"), 1234.5, "pt_BR", "R$ 1.234,50");
    row("quoted suffix", QStringLiteral("0' kg'"), 5, "pt_BR", "5 kg");
    row("double quotes", QStringLiteral("\"[\"0\"]\""), 5, "pt_BR", "[5]");
    row("quoted picture characters", QStringLiteral("'a;0#.,'0"), 5, "pt_BR", "a;0#.,5");
    row("unquoted suffix", QStringLiteral("0 min"), 3, "pt_BR", "3 min");

    // Extremes.
    row("huge whole", whole, 1e20, "pt_BR", "100000000000000000000");
    row("huge grouped", QStringLiteral("#,##0"), 1e20, "en_US", "100,000,000,000,000,000,000");
    row("huge negative", whole, -1e20, "pt_BR", "-100000000000000000000");
    row("tiny with decimals", QStringLiteral("0.00"), 1e-20, "pt_BR", "0,00");
    row("tiny whole", whole, 1e-20, "pt_BR", "0");
    row("tiny negative", QStringLiteral("0.00"), -1e-20, "pt_BR", "0,00");
    row("largest double", QStringLiteral("0"), std::numeric_limits<double>::max(), "C",
        QStringLiteral("179769313486232") + QString(294, u'0')); // 15 significant digits
    row("smallest double", QStringLiteral("0.00"), std::numeric_limits<double>::denorm_min(), "C", "0.00");

    // No picture: the shortest exact text.
    row("no picture", QString(), 12.5, "pt_BR", "12,5");
    row("no picture, whole", QString(), 54, "pt_BR", "54");
    row("no picture, 0.1", QString(), 0.1, "en_US", "0.1");
}

void TestNumberFormat::format()
{
    QFETCH(QString, picture);
    QFETCH(double, value);
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    QCOMPARE(formatFloat(picture, value, QLocale(locale)), expected);
}

void TestNumberFormat::notFinite_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("NaN") << qQNaN();
    QTest::newRow("+inf") << qInf();
    QTest::newRow("-inf") << -qInf();
}

void TestNumberFormat::notFinite()
{
    QFETCH(double, value);
    for (const QString &picture : {QString(), QStringLiteral("#########0"), QStringLiteral("#,##0.00"),
                                   QStringLiteral("0;(0);'zero'")}) {
        const QString text = formatFloat(picture, value, QLocale(QStringLiteral("pt_BR")));
        QVERIFY2(!text.isEmpty(), qPrintable(picture));
        QVERIFY2(!text.contains(u'0'), qPrintable(text)); // no made-up digits
    }
}

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
