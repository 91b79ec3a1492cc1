#include "CalculatorDialog.h"

#include "NumberFormat.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace {
constexpr int kMaxDigits = 15; // what a double holds exactly

QString decimalPoint()
{
    return QLocale().decimalPoint();
}
} // namespace

CalculatorDialog::CalculatorDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Calculadora"));
    setModal(true);
    auto *grid = new QGridLayout(this);

    m_display = new QLineEdit(this);
    m_display->setObjectName(QStringLiteral("edtVisor"));
    m_display->setReadOnly(true);
    m_display->setAlignment(Qt::AlignRight);
    m_display->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(m_display, 0, 0, 1, 4);

    addButton(QStringLiteral("btnLimpa"), QStringLiteral("C"), 1, 0);
    addButton(QStringLiteral("btnSinal"), QStringLiteral("±"), 1, 1);
    addButton(QStringLiteral("btnDivide"), QStringLiteral("÷"), 1, 2);
    addButton(QStringLiteral("btnMultiplica"), QStringLiteral("×"), 1, 3);
    const int digitRow[10] = {5, 4, 4, 4, 3, 3, 3, 2, 2, 2};
    const int digitColumn[10] = {0, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    for (int d = 0; d < 10; ++d)
        connect(addButton(QStringLiteral("btn%1").arg(d), QString::number(d), digitRow[d], digitColumn[d]),
                &QPushButton::clicked, this, [this, d] { pressDigit(d); });
    addButton(QStringLiteral("btnSubtrai"), QStringLiteral("−"), 2, 3);
    addButton(QStringLiteral("btnSoma"), QStringLiteral("+"), 3, 3);
    addButton(QStringLiteral("btnIgual"), QStringLiteral("="), 4, 3, 1);
    addButton(QStringLiteral("btnVirgula"), decimalPoint(), 5, 1);
    m_ok = addButton(QStringLiteral("btnOk"), QStringLiteral("OK"), 5, 2);
    auto *cancel = addButton(QStringLiteral("btnCancelar"), QStringLiteral("Cancelar"), 5, 3);

    auto on = [this](const char *name, auto slot) {
        connect(findChild<QPushButton *>(QString::fromLatin1(name)), &QPushButton::clicked, this, slot);
    };
    on("btnLimpa", [this] { pressClear(); });
    on("btnSinal", [this] { pressSign(); });
    on("btnDivide", [this] { pressOperation(Operation::Divide); });
    on("btnMultiplica", [this] { pressOperation(Operation::Multiply); });
    on("btnSubtrai", [this] { pressOperation(Operation::Subtract); });
    on("btnSoma", [this] { pressOperation(Operation::Add); });
    on("btnIgual", [this] { pressEquals(); });
    on("btnVirgula", [this] { pressDecimal(); });
    connect(m_ok, &QPushButton::clicked, this, &CalculatorDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CalculatorDialog::reject);
    refresh();
}

QPushButton *CalculatorDialog::addButton(const QString &name, const QString &caption, int row, int column,
                                         int columnSpan)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    // The keys go to the dialog, never to a button: Enter is ours, not a default button's.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    static_cast<QGridLayout *>(layout())->addWidget(button, row, column, 1, columnSpan);
    return button;
}

double CalculatorDialog::current() const
{
    if (m_error)
        return 0;
    if (!m_typing)
        return m_shown;
    QString entry = m_entry;
    entry.replace(decimalPoint(), QStringLiteral("."));
    return entry.toDouble();
}

double CalculatorDialog::value() const
{
    return current();
}

void CalculatorDialog::setValue(double value)
{
    pressClear();
    showNumber(value);
}

QString CalculatorDialog::displayText() const
{
    return m_display->text();
}

void CalculatorDialog::showNumber(double value)
{
    m_typing = false;
    if (!std::isfinite(value)) {
        m_error = true;
        m_shown = 0;
    } else {
        m_shown = value == 0 ? 0 : value; // no "-0"
    }
    refresh();
}

void CalculatorDialog::refresh()
{
    if (m_error)
        m_display->setText(QStringLiteral("Erro"));
    else if (m_typing)
        m_display->setText(m_entry);
    else
        m_display->setText(formatFloat(QString(), m_shown));
    m_ok->setEnabled(!m_error);
}

void CalculatorDialog::pressDigit(int digit)
{
    if (digit < 0 || digit > 9)
        return;
    if (m_error)
        pressClear();
    if (!m_typing) {
        m_entry = QStringLiteral("0");
        m_typing = true;
    }
    int digits = 0;
    for (QChar c : m_entry)
        digits += c.isDigit() ? 1 : 0;
    if (digits >= kMaxDigits) {
        refresh();
        return;
    }
    const QChar d(u'0' + digit);
    if (m_entry == u"0")
        m_entry = d;
    else if (m_entry == u"-0")
        m_entry = QStringLiteral("-") + d;
    else
        m_entry += d;
    refresh();
}

void CalculatorDialog::pressDecimal()
{
    if (m_error)
        pressClear();
    if (!m_typing) {
        m_entry = QStringLiteral("0");
        m_typing = true;
    }
    if (!m_entry.contains(decimalPoint()))
        m_entry += decimalPoint();
    refresh();
}

void CalculatorDialog::pressSign()
{
    if (m_error)
        return;
    if (m_typing) {
        if (m_entry.startsWith(u'-'))
            m_entry.remove(0, 1);
        else
            m_entry.prepend(u'-');
        refresh();
    } else {
        showNumber(-m_shown);
    }
}

void CalculatorDialog::evaluate()
{
    const double operand = current();
    switch (m_operation) {
    case Operation::None: m_accumulator = operand; break;
    case Operation::Add: m_accumulator += operand; break;
    case Operation::Subtract: m_accumulator -= operand; break;
    case Operation::Multiply: m_accumulator *= operand; break;
    case Operation::Divide:
        m_accumulator = operand == 0 ? std::nan("") : m_accumulator / operand;
        break;
    }
    m_operation = Operation::None;
    showNumber(m_accumulator);
}

void CalculatorDialog::pressOperation(Operation operation)
{
    if (m_error)
        return;
    // A second operation key in a row only replaces the first.
    if (m_typing || m_operation == Operation::None)
        evaluate();
    if (m_error)
        return;
    m_operation = operation;
}

void CalculatorDialog::pressEquals()
{
    if (m_error)
        return;
    evaluate();
}

void CalculatorDialog::pressClear()
{
    m_entry.clear();
    m_typing = false;
    m_shown = 0;
    m_accumulator = 0;
    m_operation = Operation::None;
    m_error = false;
    refresh();
}

void CalculatorDialog::pressBackspace()
{
    if (m_error || !m_typing)
        return;
    m_entry.chop(1);
    if (m_entry.isEmpty() || m_entry == u"-")
        m_entry = QStringLiteral("0");
    refresh();
}

void CalculatorDialog::accept()
{
    if (m_error)
        return;
    if (m_operation != Operation::None)
        evaluate();
    else
        showNumber(current());
    if (m_error)
        return;
    QDialog::accept();
}

void CalculatorDialog::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        pressDigit(key - Qt::Key_0);
        return;
    }
    switch (key) {
    case Qt::Key_Comma:
    case Qt::Key_Period: pressDecimal(); return;
    case Qt::Key_Plus: pressOperation(Operation::Add); return;
    case Qt::Key_Minus: pressOperation(Operation::Subtract); return;
    case Qt::Key_Asterisk: pressOperation(Operation::Multiply); return;
    case Qt::Key_Slash: pressOperation(Operation::Divide); return;
    case Qt::Key_Equal: pressEquals(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_operation != Operation::None)
            pressEquals();
        else
            accept();
        return;
    case Qt::Key_Escape: reject(); return;
    case Qt::Key_Backspace: pressBackspace(); return;
    case Qt::Key_Delete:
    case Qt::Key_C: pressClear(); return;
    case Qt::Key_F9: pressSign(); return;
    default: QDialog::keyPressEvent(event);
    }
}
