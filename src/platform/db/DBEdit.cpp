#include "DBEdit.h"

#include "ClientDataSet.h"
#include "Error.h"
#include "ErrorGuard.h"
#include "NumberFormat.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>

#include <climits>

namespace {
constexpr int kNoLimit = 32767; // QLineEdit's own "no limit"

bool isIntegerType(FieldType type)
{
    return type == FieldType::SmallInt || type == FieldType::Integer || type == FieldType::LargeInt;
}

// Focus that goes to another window, or to a popup, is no exit from the edit.
bool isWindowChange(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}
} // namespace

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent)
{
    QLineEdit::setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this] {
        applyLengthLimit();
        guard([this] { Change(); });
    });
}

DBEdit::~DBEdit() = default;

// ---- binding ----------------------------------------------------------------------------

void DBEdit::setDataSource(DataSource *source)
{
    if (m_dataSource == source)
        return;
    disconnect(m_sourceConnection);
    m_dataSource = source;
    if (source)
        m_sourceConnection = connect(source, &DataSource::dataSetChanged, this, [this] { bind(); });
    bind();
}

void DBEdit::setDataField(const QString &name)
{
    if (m_dataField == name)
        return;
    m_dataField = name;
    bind();
}

DataSet *DBEdit::dataSet() const
{
    return m_dataSource ? m_dataSource->dataSet() : nullptr;
}

ClientDataSet *DBEdit::clientDataSet() const
{
    return qobject_cast<ClientDataSet *>(dataSet());
}

int DBEdit::fieldIndex() const
{
    const DataSet *ds = dataSet();
    return ds && !m_dataField.isEmpty() ? ds->fieldIndex(m_dataField) : -1;
}

const FieldDef *DBEdit::Field() const
{
    const int i = fieldIndex();
    return i >= 0 ? &dataSet()->fieldDefs().at(i) : nullptr;
}

bool DBEdit::editing() const
{
    const DataSet *ds = dataSet();
    return ds && ds->editing();
}

bool DBEdit::canModify() const
{
    const ClientDataSet *ds = clientDataSet();
    return ds && ds->active() && fieldIndex() >= 0;
}

void DBEdit::bind()
{
    for (const QMetaObject::Connection &c : std::as_const(m_dataSetConnections))
        disconnect(c);
    m_dataSetConnections.clear();
    if (DataSet *ds = dataSet()) {
        auto reload = [this] { dataChange(); };
        m_dataSetConnections << connect(ds, &DataSet::dataReset, this, reload)
                             << connect(ds, &DataSet::activeChanged, this, reload)
                             << connect(ds, &DataSet::stateChanged, this, reload)
                             << connect(ds, &DataSet::currentChanged, this, reload)
                             << connect(ds, &DataSet::rowsInserted, this, reload)
                             << connect(ds, &DataSet::rowChanged, this, [this](int row) {
                                    if (const DataSet *d = dataSet(); d && row == d->recNo())
                                        dataChange();
                                })
                             << connect(ds, &DataSet::fieldChanged, this, [this](int field) {
                                    if (field == fieldIndex())
                                        dataChange();
                                })
                             << connect(ds, &DataSet::displayFormatChanged, this, [this](const QString &name) {
                                    // The edit text does not use the display format.
                                    if (!m_focused && name.compare(m_dataField, Qt::CaseInsensitive) == 0)
                                        dataChange();
                                })
                             << connect(ds, &QObject::destroyed, this, [this] { dataChange(); });
    }
    dataChange();
}

// ---- text of the field ------------------------------------------------------------------

QString DBEdit::fieldText(bool display) const
{
    const int field = fieldIndex();
    const DataSet *ds = dataSet();
    if (field < 0 || !ds->active())
        return QString();
    const QVariant value = ds->recordValue(field);
    if (value.isNull() || !value.isValid())
        return QString();
    const FieldType type = ds->fieldDefs().at(field).type;
    if (isNumericType(type)) {
        const QString picture = display ? ds->displayFormat(m_dataField) : QString();
        if (!picture.isEmpty())
            return formatFloat(picture, value.toDouble());
        if (isIntegerType(type))
            return QString::number(value.toLongLong());
        return formatFloat(QString(), value.toDouble());
    }
    return value.toString();
}

double DBEdit::textToNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        throw KvoError(QStringLiteral("'%1' não é um valor numérico válido.").arg(text));
    return value;
}

QVariant DBEdit::valueFromText(const QString &text) const
{
    const FieldDef *field = Field();
    if (text.isEmpty() || (text.trimmed().isEmpty() && !isTextType(field->type)))
        return QVariant(); // an empty field
    if (isIntegerType(field->type)) {
        bool ok = false;
        const qlonglong value = QLocale().toLongLong(text.trimmed(), &ok);
        if (!ok || (field->type == FieldType::SmallInt && (value < -32768 || value > 32767))
            || (field->type == FieldType::Integer && (value < INT_MIN || value > INT_MAX)))
            throw KvoError(QStringLiteral("'%1' não é um valor inteiro válido.").arg(text));
        return field->type == FieldType::LargeInt ? QVariant(value) : QVariant(int(value));
    }
    if (isNumericType(field->type))
        return textToNumber(text);
    return text;
}

// Loads the field's value into the text: the edit text while entered into a field that can
// be written, else the display text. A reload asked for while one runs (a handler of the
// change it makes) runs after it, not inside it.
void DBEdit::dataChange()
{
    if (m_loading) {
        m_reloadAgain = true;
        return;
    }
    m_loading = true;
    do {
        if (!m_dataSource) // not bound at all: the text is the program's
            break;
        m_reloadAgain = false;
        const QString wanted = fieldText(!(m_focused && canModify()));
        if (wanted != text())
            setText(wanted);
    } while (m_reloadAgain);
    m_loading = false;
    setModified(false);
    updateEditable();
}

void DBEdit::updateEditable()
{
    QLineEdit::setReadOnly(m_readOnly || !canModify() || !editing());
}

// ---- properties ---------------------------------------------------------------------------

int DBEdit::effectiveMaxLength() const
{
    if (m_maxLength > 0)
        return m_maxLength;
    if (const FieldDef *field = Field(); field && isTextType(field->type) && field->size > 0)
        return field->size;
    return 0;
}

// The line edit's own limit is the property, raised to the length of a longer text the
// program put in (QLineEdit cuts its text to its limit), and lowered again once the text fits.
void DBEdit::applyLengthLimit()
{
    const int limit = effectiveMaxLength();
    const int wanted = limit <= 0 ? kNoLimit : std::max<int>(limit, int(text().size()));
    if (QLineEdit::maxLength() == wanted)
        return;
    // QLineEdit::setMaxLength sets its text again, losing selection and caret: keep them.
    const int selectionStart = QLineEdit::selectionStart();
    const int selectionLength = int(selectedText().size());
    const int caret = cursorPosition();
    QLineEdit::setMaxLength(wanted);
    if (selectionStart >= 0 && selectionLength > 0) {
        // The caret stays at the end of the selection it was at.
        if (caret == selectionStart)
            setSelection(selectionStart + selectionLength, -selectionLength);
        else
            setSelection(selectionStart, selectionLength);
    } else {
        setCursorPosition(caret);
    }
}

void DBEdit::setMaxLength(int length)
{
    m_maxLength = std::max(0, length);
    applyLengthLimit();
}

void DBEdit::setText(const QString &text)
{
    const int limit = effectiveMaxLength();
    if (limit > 0 && text.size() > QLineEdit::maxLength())
        QLineEdit::setMaxLength(int(text.size()));
    QLineEdit::setText(text);
    applyLengthLimit();
}

void DBEdit::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    updateEditable();
}

void DBEdit::setModified(bool modified)
{
    m_modified = modified;
    QLineEdit::setModified(modified);
}

void DBEdit::Reset()
{
    dataChange();
    selectAll();
}

void DBEdit::Clear()
{
    setText(QString());
}

bool DBEdit::beginEdit()
{
    if (m_readOnly || !canModify())
        return false;
    ClientDataSet *ds = clientDataSet();
    if (!ds->editing() && !guard([ds] { ds->Edit(); }))
        return false;
    return ds->editing();
}

// ---- events ---------------------------------------------------------------------------------

void DBEdit::Change()
{
    setModified(true);
}

void DBEdit::updateRecord()
{
    if (!m_modified)
        return;
    if (!canModify()) { // nothing to write into
        setModified(false);
        return;
    }
    try {
        const QVariant value = valueFromText(text());
        ClientDataSet *ds = clientDataSet();
        if (!ds->editing())
            ds->Edit();
        ds->setFieldValue(fieldIndex(), value);
        setModified(false);
    } catch (...) {
        // The user corrects the text (or presses Esc) before leaving.
        selectAll();
        QMetaObject::invokeMethod(this, [this] { setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
        throw;
    }
}

void DBEdit::focusInEvent(QFocusEvent *event)
{
    if (m_focused) {
        QLineEdit::focusInEvent(event);
        return;
    }
    m_focused = true;
    dataChange();
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason)
        selectAll();
    guard([this] { DoEnter(); });
}

void DBEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (!m_focused || isWindowChange(event->reason()))
        return;
    guard([this] {
        updateRecord(); // on an error the edit stays entered and gets the focus back
        m_focused = false;
        dataChange();
        DoExit();
    });
}

bool DBEdit::isEditingKey(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    for (QKeySequence::StandardKey k : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo,
                                        QKeySequence::Redo, QKeySequence::DeleteEndOfWord,
                                        QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine,
                                        QKeySequence::DeleteCompleteLine})
        if (event->matches(k))
            return true;
    return !typedText(event).isEmpty();
}

// The characters a key event types: none for shortcuts (Ctrl+V may carry "v"), but AltGr
// combinations reported as Ctrl+Alt do type.
QString DBEdit::typedText(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier))
        return QString();
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() ? text : QString();
}

bool DBEdit::isValidChar(QChar c) const
{
    const FieldDef *field = Field();
    if (!field || !isNumericType(field->type))
        return true;
    if (c.isDigit() || c == u'+' || c == u'-')
        return true;
    return !isIntegerType(field->type) && QLocale().decimalPoint().contains(c);
}

void DBEdit::KeyDown(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_modified) {
        Reset();
        event->accept();
        return;
    }
    if (isEditingKey(event)) {
        const QString typed = typedText(event);
        if (!typed.isEmpty()) {
            for (QChar c : typed) {
                if (!isValidChar(c)) {
                    QApplication::beep();
                    event->accept();
                    return;
                }
            }
        }
        if (!beginEdit()) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void DBEdit::KeyUp(QKeyEvent *event)
{
    QLineEdit::keyReleaseEvent(event);
}

void DBEdit::keyPressEvent(QKeyEvent *event)
{
    if (!guard([this, event] { KeyDown(event); }))
        event->accept();
}

void DBEdit::keyReleaseEvent(QKeyEvent *event)
{
    if (!guard([this, event] { KeyUp(event); }))
        event->accept();
}

void DBEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !beginEdit()) {
        event->ignore();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
