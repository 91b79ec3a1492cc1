#pragma once

#include "DBEdit.h"

#include <QPointer>
#include <functional>
#include <optional>

class CalculatorDialog;

// The numeric data-aware edit: a DBEdit bound to a numeric field that
// - limits what can be typed to the digit places of its mask MascaraEdicao,
// - rejects a minus sign anywhere but in front,
// - removes "." (thousands separators) while the value is edited and formats the number with
//   the mask when focus leaves,
// - gives the bound numeric field the mask as its display format,
// - lets the user type over a wholly selected value while the data set is not being edited,
// - opens a calculator on Ctrl pressed twice and puts its result in if the mask can hold it.
//
// Brazilian convention: "." thousands, "," decimals. The rules that name "," or "." use those
// characters as they stand; the decimal-place limits, the number conversions and the number
// formatting use the locale's separators (QLocale()).
//
// Keystrokes the rules undo are taken back with a synthetic Backspace (EnviaBackspace): a key
// press and release posted to the edit, handled after the current handler, in the order posted.
class TDBEditNumero : public DBEdit
{
    Q_OBJECT
public:
    explicit TDBEditNumero(QWidget *parent = nullptr);
    ~TDBEditNumero() override;

    // The numeric mask in formatFloat notation ("#" optional digit, "0" required digit,
    // "," thousands, "." decimal point), kept in StMascara.
    QString MascaraEdicao() const { return StMascara; }
    void setMascaraEdicao(const QString &mask) { StMascara = mask; }

    // Stored only: no behaviour of the control reads them.
    unsigned DecimalPlaces() const { return fDecimalPlaces; }
    void setDecimalPlaces(unsigned value) { fDecimalPlaces = value; }
    bool DecimalPlacesAlwaysShown() const { return fDecimalPlacesAlwaysShown; }
    void setDecimalPlacesAlwaysShown(bool value) { fDecimalPlacesAlwaysShown = value; }
    QString DisplayFormat() const { return fDisplayFormat; }
    void setDisplayFormat(const QString &value) { fDisplayFormat = value; }
    double MaxValue() const { return fMaxValue; }
    void setMaxValue(double value) { fMaxValue = value; }
    bool ShowButton() const { return fShowButton; }
    void setShowButton(bool value) { fShowButton = value; }
    double Value() const { return fValue; }
    void setValue(double value) { fValue = value; }

    // The calculator: runs it modally and gives the value it showed when the user confirmed,
    // nothing when they cancelled. The default shows a CalculatorDialog owned by the edit.
    using CalculatorRunner = std::function<std::optional<double>(TDBEditNumero &edit)>;
    void setCalculatorRunner(CalculatorRunner runner);
    // The calculator dialog while it is open.
    CalculatorDialog *Calculadora() const { return m_calculadora; }

    // Mask normalisation: ",0.##" and "0" become "############0"; other masks stay.
    void AjustaMascara();

    // Number of occurrences of sub in texto; each occurrence found is skipped by one
    // character before searching on, so occurrences may overlap. 0 for an empty sub.
    static int ContaOcorrencias(const QString &texto, const QString &sub);
    // texto without any ".".
    static QString RetiraPontos(const QString &texto);
    // texto, trimmed, is not empty and holds only "-" and "0" to "9" once "," and "." are removed.
    static bool EhNumero(const QString &texto);

    // The integer and decimal parts of a mask and their digit places.
    struct MaskParts
    {
        QString integerPart;
        QString decimalPart;
        int integerPlaces = 0;
        int decimalPlaces = 0;
        int length = 0; // of the mask without dots
    };
    static MaskParts maskParts(const QString &mask);

    // The Windows virtual-key code of a key event (VK_BACK 8, VK_CONTROL 17, VK_DELETE 46,
    // "0".."9" 48..57, keypad digits 96..105, keypad minus 109, keypad decimal 110, ","
    // 188, "-" 189, "." 190...), 0 for keys without one here.
    static int virtualKey(const QKeyEvent *event);

    // Private state, readable for inspection.
    QString ultTexto() const { return ult_texto; }
    bool semEventos() const { return sem_eventos; }
    bool pedidoLimpar() const { return limpar; }
    int qtdVezesTeclaCtrl() const { return iPvQtdVezesTeclaCtrl; }

protected:
    void DoEnter() override;
    void DoExit() override;
    void Change() override;
    void KeyDown(QKeyEvent *event) override;
    void KeyUp(QKeyEvent *event) override;

    void EnviaBackspace();

private:
    class Guard;
    void runCalculator();
    std::optional<double> showCalculator();
    void postKey(int key, Qt::KeyboardModifiers modifiers, const QString &text);

    QString StMascara;
    QString ult_texto;
    bool sem_eventos = false;
    bool limpar = false;
    int iPvQtdVezesTeclaCtrl = 0;
    QPointer<CalculatorDialog> m_calculadora;
    CalculatorRunner m_calculatorRunner;

    unsigned fDecimalPlaces = 2;
    bool fDecimalPlacesAlwaysShown = false;
    QString fDisplayFormat;
    double fMaxValue = 0;
    bool fShowButton = true;
    double fValue = 0;
};
