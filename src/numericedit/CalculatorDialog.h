#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// A small modal calculator: digits, the locale's decimal separator ("," in Brazil), the four
// operations, sign change, clear, confirm or cancel. value() is the number shown when it
// closed.
//
// Keyboard: 0-9; "," or "." for the decimal separator; + - * /; "=" evaluates; Enter
// evaluates a pending operation, or confirms when none is pending; Esc cancels; Backspace
// removes the last digit typed; Delete or C clears; F9 changes the sign.
// "OK" evaluates a pending operation and confirms. A division by zero (or a result too
// large for a double) shows "Erro" until the next digit or clear; it cannot be confirmed.
class CalculatorDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Operation { None, Add, Subtract, Multiply, Divide };

    explicit CalculatorDialog(QWidget *parent = nullptr);

    // The number shown (0 in the error state).
    double value() const;
    // Shows `value` as the starting number.
    void setValue(double value);
    QString displayText() const;
    bool hasError() const { return m_error; }

    void pressDigit(int digit);
    void pressDecimal();
    void pressOperation(Operation operation);
    void pressEquals();
    void pressSign();
    void pressClear();
    void pressBackspace();

public slots:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPushButton *addButton(const QString &name, const QString &caption, int row, int column,
                           int columnSpan = 1);
    double current() const;
    void evaluate();
    void showNumber(double value);
    void refresh();

    QLineEdit *m_display;
    QPushButton *m_ok;
    QString m_entry;       // the number being typed, with the locale's decimal separator
    bool m_typing = false; // m_entry is what shows
    double m_shown = 0;    // else this shows
    double m_accumulator = 0;
    Operation m_operation = Operation::None;
    bool m_error = false;
};
