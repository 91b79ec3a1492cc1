#include "DBEditNumero.h"

#include "CalculatorDialog.h"
#include "Error.h"
#include "NumberFormat.h"
#include "UiServices.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QScopeGuard>

#include <cmath>

namespace {
enum VirtualKey {
    VK_BACK = 8,
    VK_CONTROL = 17,
    VK_DELETE = 46,
    VK_SUBTRACT = 109, // keypad minus
    VK_DECIMAL = 110,  // keypad decimal key
    VK_OEM_COMMA = 188,
    VK_OEM_MINUS = 189,
};

// The keys that type over a wholly selected value: the digits of the main keyboard, both
// minus keys and the decimal keys (the keypad digits 96 to 105 are not among them).
bool typesOver(int key)
{
    return (key >= '0' && key <= '9') || key == VK_SUBTRACT || key == VK_OEM_MINUS || key == VK_DECIMAL
        || key == VK_OEM_COMMA;
}
} // namespace

// Sets sem_eventos for its lifetime and clears it on every way out.
class TDBEditNumero::Guard
{
public:
    explicit Guard(TDBEditNumero &edit) : m_edit(edit) { m_edit.sem_eventos = true; }
    ~Guard() { m_edit.sem_eventos = false; }
    Guard(const Guard &) = delete;
    Guard &operator=(const Guard &) = delete;

private:
    TDBEditNumero &m_edit;
};

TDBEditNumero::TDBEditNumero(QWidget *parent) : DBEdit(parent)
{
    m_calculatorRunner = [](TDBEditNumero &edit) { return edit.showCalculator(); };
}

TDBEditNumero::~TDBEditNumero() = default;

void TDBEditNumero::setCalculatorRunner(CalculatorRunner runner)
{
    if (runner)
        m_calculatorRunner = std::move(runner);
    else
        m_calculatorRunner = [](TDBEditNumero &edit) { return edit.showCalculator(); };
}

// ---- helpers ------------------------------------------------------------------------------

int TDBEditNumero::ContaOcorrencias(const QString &texto, const QString &sub)
{
    if (sub.isEmpty())
        return 0;
    int count = 0;
    for (qsizetype at = texto.indexOf(sub); at >= 0; at = texto.indexOf(sub, at + 1))
        ++count;
    return count;
}

QString TDBEditNumero::RetiraPontos(const QString &texto)
{
    QString out = texto;
    out.remove(u'.');
    return out;
}

bool TDBEditNumero::EhNumero(const QString &texto)
{
    const QString trimmed = texto.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (QChar c : trimmed) {
        if (c == u',' || c == u'.' || c == u'-' || (c >= u'0' && c <= u'9'))
            continue;
        return false;
    }
    return true;
}

void TDBEditNumero::AjustaMascara()
{
    if (StMascara == u",0.##" || StMascara == u"0")
        StMascara = QStringLiteral("############0");
}

TDBEditNumero::MaskParts TDBEditNumero::maskParts(const QString &mask)
{
    MaskParts parts;
    // A separator counts from the second position on.
    qsizetype separator = mask.indexOf(u'.');
    if (separator < 1)
        separator = mask.indexOf(u':');
    if (separator >= 1) {
        parts.integerPart = mask.left(separator);
        parts.decimalPart = mask.mid(separator + 1, 10);
    } else {
        parts.integerPart = mask;
    }
    auto places = [](const QString &part) { return int(part.count(u'#') + part.count(u'0')); };
    parts.integerPlaces = places(parts.integerPart);
    parts.decimalPlaces = places(parts.decimalPart);
    parts.length = int(RetiraPontos(mask).size());
    return parts;
}

int TDBEditNumero::virtualKey(const QKeyEvent *event)
{
    const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (keypad ? 96 : 48) + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 65 + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Asterisk: return keypad ? 106 : 0;
    case Qt::Key_Plus: return keypad ? 107 : 187;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Comma: return keypad ? VK_DECIMAL : VK_OEM_COMMA;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 190;
    case Qt::Key_Slash: return keypad ? 111 : 191;
    default: return 0;
    }
}

void TDBEditNumero::postKey(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

void TDBEditNumero::EnviaBackspace()
{
    postKey(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
}

// ---- events -------------------------------------------------------------------------------

void TDBEditNumero::DoEnter()
{
    setMaxLength(int(StMascara.size()));
    limpar = false;
    AjustaMascara();
    DBEdit::DoEnter();
    if (!text().isEmpty()) {
        Guard guard(*this);
        const QString withoutDots = RetiraPontos(text());
        if (withoutDots != text())
            setText(withoutDots);
    }
    ult_texto = text();
}

void TDBEditNumero::DoExit()
{
    if (editing()) {
        Guard guard(*this);
        const QString withoutDots = RetiraPontos(text());
        if (withoutDots != text())
            setText(withoutDots);
    }
    DBEdit::DoExit();
    if (!StMascara.isEmpty() && !text().isEmpty()) {
        Guard guard(*this);
        // A text that is no number ends here with the conversion's error.
        const double value = textToNumber(RetiraPontos(text()));
        setText(formatFloat(StMascara, value));
        setText(RetiraPontos(text()));
    }
}

void TDBEditNumero::Change()
{
    if (sem_eventos || !dataSource())
        return;
    const auto clearGuard = qScopeGuard([this] { sem_eventos = false; });

    if (editing() && text().contains(u'.')) {
        sem_eventos = true;
        // The caret keeps its place among the characters that stay.
        const int caret = cursorPosition();
        const int dotsBefore = int(text().left(caret).count(u'.'));
        setText(RetiraPontos(text()));
        setCursorPosition(caret - dotsBefore);
    }
    if (limpar) {
        limpar = false;
        sem_eventos = true;
        if (!text().isEmpty())
            setText(QString());
    }
    // A text put in by the data binding (a record change while the edit has no focus, or a
    // reload while it has) is the field's value, not typing: no rule of typing applies to it.
    if (!focused() || loadingFromField()) {
        sem_eventos = true;
        if (const FieldDef *field = Field(); field && isNumericType(field->type))
            dataSet()->setDisplayFormat(field->name, StMascara);
        return;
    }

    const QString typed = text();
    DBEdit::Change();
    sem_eventos = true;

    // Minus rule
    QString digitSet = QStringLiteral("0123456789");
    if (StMascara.contains(u'.'))
        digitSet += u',';
    if (typed.indexOf(u'-', 1) >= 0) {
        for (QChar c : typed) {
            if (digitSet.contains(c)) {
                EnviaBackspace();
                return;
            }
        }
        setText(typed.startsWith(u'-') ? QStringLiteral("-") : QString());
    }

    // Place limits. A leading minus sign is no digit place.
    const MaskParts mask = maskParts(StMascara);
    if (mask.length > 0) {
        const QString current = text();
        const QString unsigned_ = current.startsWith(u'-') ? current.mid(1) : current;
        const QString decimalPoint = QLocale().decimalPoint();
        const qsizetype decimalAt = current.indexOf(decimalPoint);
        if (decimalAt < 0) {
            if (unsigned_.size() > mask.length) {
                // Back to the text before this change: that already undoes the keystroke, so
                // no Backspace goes with it (it would remove a character typed before).
                setText(ult_texto);
            } else if (unsigned_.size() > mask.integerPlaces) {
                EnviaBackspace();
            }
        } else {
            if (current.mid(decimalAt + decimalPoint.size(), 20).size() > mask.decimalPlaces)
                EnviaBackspace();
            const qsizetype comma = unsigned_.indexOf(u',');
            if (comma >= 0 && comma + 1 > mask.integerPlaces + 1)
                EnviaBackspace();
        }
    }

    sem_eventos = false;
    ult_texto = text();
}

void TDBEditNumero::KeyDown(QKeyEvent *event)
{
    int key = virtualKey(event);
    if (key == VK_CONTROL)
        ++iPvQtdVezesTeclaCtrl;
    else
        iPvQtdVezesTeclaCtrl = 0;
    if (iPvQtdVezesTeclaCtrl == 2) {
        const auto resetCount = qScopeGuard([this] { iPvQtdVezesTeclaCtrl = 0; });
        runCalculator();
    }

    // Type-over rule
    if (!editing() && !ReadOnly() && !text().isEmpty() && selectedText() == text()) {
        if (key == VK_BACK)
            key = VK_DELETE;
        if (key == VK_DELETE) {
            limpar = true;
            setModified(true);
            QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, event->modifiers() & ~Qt::KeypadModifier);
            DBEdit::KeyDown(&del);
            event->setAccepted(del.isAccepted());
            return;
        }
        if (typesOver(key)) {
            limpar = true;
            setText(QString());
            setModified(true);
            Reset();
            EnviaBackspace();
            postKey(event->key(), event->modifiers(), event->text());
            event->accept();
            return;
        }
    }
    DBEdit::KeyDown(event);
}

void TDBEditNumero::KeyUp(QKeyEvent *event)
{
    DBEdit::KeyUp(event);
}

// ---- calculator ---------------------------------------------------------------------------

std::optional<double> TDBEditNumero::showCalculator()
{
    CalculatorDialog dialog(this);
    m_calculadora = &dialog;
    const auto release = qScopeGuard([this] { m_calculadora = nullptr; });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

void TDBEditNumero::runCalculator()
{
    // A read-only edit changes nothing, not even through its calculator.
    if (ReadOnly())
        return;
    const std::optional<double> result = m_calculatorRunner(*this);
    if (!result)
        return;
    if (DataSet *ds = dataSet(); ds && ds->active() && !ds->editing()) {
        if (!beginEdit()) // the field cannot be changed
            return;
    }
    try {
        AjustaMascara();
        // The mask's largest value: "#,##0.00" -> "9999,99".
        QString largest = StMascara;
        largest.remove(u',');
        largest.replace(u'.', u',');
        largest.replace(u'#', u'9');
        largest.replace(u'0', u'9');
        if (!EhNumero(largest))
            return;
        const double limit = textToNumber(largest);
        // The value as the mask can hold it: rounded to its decimal places. A value with more
        // decimals would otherwise be cut digit by digit by the place limits.
        const int decimals = maskParts(StMascara).decimalPlaces;
        const QString valueText = formatFloat(decimals > 0 ? QStringLiteral("0.") + QString(decimals, u'#')
                                                           : QStringLiteral("0"),
                                              *result);
        // Negative values are bounded like positive ones: the mask holds -999 to 999.
        if (std::fabs(textToNumber(valueText)) <= limit) {
            setText(valueText);
        } else {
            ui().message(UiServices::Kind::Error, QStringLiteral("Número inválido!"), UiServices::Buttons::Ok);
            Clear();
        }
    } catch (...) {
        Clear();
    }
}
