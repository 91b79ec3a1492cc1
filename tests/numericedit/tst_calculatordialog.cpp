// The calculator dialog on its own: constructed, shown without a modal loop, driven by keys
// and by its buttons.
#include "CalculatorDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QLocale kBrazil(QLocale::Portuguese, QLocale::Brazil);

// Keys as the keyboard sends them: "0"-"9", ",", ".", "+", "-", "*", "/", "=",
// "E" Enter, "B" Backspace, "C" clear, "S" sign (F9).
void press(CalculatorDialog &dialog, const QString &keys)
{
    for (QChar c : keys) {
        switch (c.unicode()) {
        case 'E': QTest::keyClick(&dialog, Qt::Key_Enter); break;
        case 'B': QTest::keyClick(&dialog, Qt::Key_Backspace); break;
        case 'S': QTest::keyClick(&dialog, Qt::Key_F9); break;
        case 'C': QTest::keyClick(&dialog, Qt::Key_C); break;
        default: QTest::keyClick(&dialog, c.toLatin1());
        }
    }
}

// Buttons by their names: "btn0".."btn9", "btnVirgula", "btnSoma", ...
void click(CalculatorDialog &dialog, const QStringList &buttons)
{
    for (const QString &name : buttons) {
        auto *button = dialog.findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

} // namespace

class TestCalculatorDialog : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(kBrazil); }
    void keys_data();
    void keys();
    void buttons();
    void confirmAndCancel();
    void errorCannotBeConfirmed();
    void decimalPointFollowsTheLocale();
};

void TestCalculatorDialog::keys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    QTest::addColumn<double>("value");

    QTest::newRow("digits") << "1234" << "1234" << 1234.0;
    QTest::newRow("leading zero dropped") << "007" << "7" << 7.0;
    QTest::newRow("decimal comma") << "12,5" << "12,5" << 12.5;
    QTest::newRow("decimal point key types a comma") << "12.5" << "12,5" << 12.5;
    QTest::newRow("one decimal separator") << "1,2,3" << "1,23" << 1.23;
    QTest::newRow("starts with the separator") << ",5" << "0,5" << 0.5;
    QTest::newRow("add") << "2+3=" << "5" << 5.0;
    QTest::newRow("subtract") << "2-3=" << "-1" << -1.0;
    QTest::newRow("multiply") << "6*7=" << "42" << 42.0;
    QTest::newRow("divide") << "7/2=" << "3,5" << 3.5;
    QTest::newRow("left to right") << "2+3*4=" << "20" << 20.0;
    QTest::newRow("running result") << "2+3*" << "5" << 5.0;
    QTest::newRow("second operation replaces the first") << "8+-3=" << "5" << 5.0;
    QTest::newRow("Enter evaluates") << "1,5*2E" << "3" << 3.0;
    QTest::newRow("operand reused") << "5+=" << "10" << 10.0;
    QTest::newRow("sign while typing") << "12S" << "-12" << -12.0;
    QTest::newRow("sign twice") << "12SS" << "12" << 12.0;
    QTest::newRow("sign of a result") << "2+3=S" << "-5" << -5.0;
    QTest::newRow("negative operand") << "10-3S=" << "13" << 13.0;
    QTest::newRow("backspace") << "123B" << "12" << 12.0;
    QTest::newRow("backspace to zero") << "1B" << "0" << 0.0;
    QTest::newRow("clear") << "12+3C" << "0" << 0.0;
    QTest::newRow("new number after a result") << "2+3=7" << "7" << 7.0;
    QTest::newRow("fifteen digits at most") << "1234567890123456" << "123456789012345" << 123456789012345.0;
    QTest::newRow("fractions") << "1/3=" << "0,333333333333333" << 1.0 / 3;
}

void TestCalculatorDialog::keys()
{
    QFETCH(QString, keys);
    CalculatorDialog dialog;
    dialog.show();
    press(dialog, keys);
    QTEST(dialog.displayText(), "display");
    QTEST(dialog.value(), "value");
    QVERIFY(!dialog.hasError());
    QVERIFY(dialog.isVisible()); // no key of these closes it
}

void TestCalculatorDialog::buttons()
{
    CalculatorDialog dialog;
    dialog.show();
    click(dialog, {QStringLiteral("btn1"), QStringLiteral("btn2"), QStringLiteral("btnVirgula"), QStringLiteral("btn5"),
                   QStringLiteral("btnMultiplica"), QStringLiteral("btn4"), QStringLiteral("btnIgual")});
    QCOMPARE(dialog.displayText(), QStringLiteral("50"));
    click(dialog, {QStringLiteral("btnDivide"), QStringLiteral("btn8"), QStringLiteral("btnSoma"), QStringLiteral("btn0"),
                   QStringLiteral("btnVirgula"), QStringLiteral("btn7"), QStringLiteral("btnSubtrai"),
                   QStringLiteral("btn9"), QStringLiteral("btnIgual"), QStringLiteral("btnSinal")});
    QCOMPARE(dialog.value(), 2.05); // -(50 / 8 + 0,7 - 9)
    QCOMPARE(dialog.displayText(), QStringLiteral("2,05"));
    for (int d = 0; d <= 9; ++d)
        QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btn%1").arg(d)));
    click(dialog, {QStringLiteral("btnLimpa")});
    QCOMPARE(dialog.displayText(), QStringLiteral("0"));
    click(dialog, {QStringLiteral("btn3"), QStringLiteral("btnSoma"), QStringLiteral("btn4"), QStringLiteral("btnOk")});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.value(), 7.0); // OK evaluates the pending operation
}

void TestCalculatorDialog::confirmAndCancel()
{
    {
        CalculatorDialog dialog;
        dialog.show();
        press(dialog, QStringLiteral("6*7E"));
        QVERIFY(dialog.isVisible()); // the first Enter evaluates
        press(dialog, QStringLiteral("E"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.value(), 42.0);
    }
    {
        CalculatorDialog dialog;
        dialog.show();
        press(dialog, QStringLiteral("6*7"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    {
        CalculatorDialog dialog;
        dialog.show();
        dialog.findChild<QPushButton *>(QStringLiteral("btnCancelar"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    {
        CalculatorDialog dialog;
        dialog.setValue(-12.5);
        QCOMPARE(dialog.displayText(), QStringLiteral("-12,5"));
        dialog.show();
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.value(), -12.5);
    }
}

void TestCalculatorDialog::errorCannotBeConfirmed()
{
    CalculatorDialog dialog;
    dialog.show();
    press(dialog, QStringLiteral("5/0="));
    QVERIFY(dialog.hasError());
    QCOMPARE(dialog.displayText(), QStringLiteral("Erro"));
    QCOMPARE(dialog.value(), 0.0);
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
    press(dialog, QStringLiteral("E+S"));
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.hasError());
    press(dialog, QStringLiteral("8")); // a digit starts again
    QVERIFY(!dialog.hasError());
    QCOMPARE(dialog.displayText(), QStringLiteral("8"));

    press(dialog, QStringLiteral("C9999999999*9999999999="));
    for (int i = 0; i < 60 && !dialog.hasError(); ++i)
        press(dialog, QStringLiteral("*99999999=")); // past the largest double
    QVERIFY(dialog.hasError());
    dialog.accept();
    QVERIFY(dialog.isVisible());
}

void TestCalculatorDialog::decimalPointFollowsTheLocale()
{
    QLocale::setDefault(QLocale::c());
    CalculatorDialog dialog;
    dialog.show();
    QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("btnVirgula"))->text(), QStringLiteral("."));
    press(dialog, QStringLiteral("1,5*2="));
    QCOMPARE(dialog.displayText(), QStringLiteral("3"));
    press(dialog, QStringLiteral("7/2="));
    QCOMPARE(dialog.displayText(), QStringLiteral("3.5"));
}

QTEST_MAIN(TestCalculatorDialog)
#include "tst_calculatordialog.moc"
