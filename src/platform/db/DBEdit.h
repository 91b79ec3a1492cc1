#pragma once

#include "DataSource.h"

#include <QLineEdit>
#include <QList>
#include <QMetaObject>
#include <QPointer>

class ClientDataSet;

// A single-line edit bound to one field of a data set through a data source.
//
// - Without the focus it shows the field's display text (numbers through the data set's
//   display format of the field); when focus arrives it shows the field's edit text (numbers
//   with the locale's decimal separator, no thousands separators) and, unless the focus came
//   by a mouse click, selects it all.
// - The first key that edits puts the data set into edit mode (ClientDataSet::Edit()); the
//   line edit itself stays read-only while the data set is not being edited, so paste, drop
//   and the context menu cannot change the text behind the data set's back. Characters the
//   field cannot hold (letters in a numeric field) are refused.
// - When focus leaves, a typed text is written into the field (not posted: the data set
//   stays in edit mode until someone posts or cancels). A text the field cannot take shows
//   the error, selects the text and brings the focus back.
// - Moving to another record, posting, cancelling or another writer of the same field reload
//   the text; Esc with unwritten typing reloads it too.
//
// Focus that leaves because another window activates (a dialog, a popup) is no exit: the
// edit is still "entered" when its window comes back.
//
// Override points, in the order the events come: DoEnter() after the field's value has been
// loaded on entry; Change() on every text change (the base marks the edit modified);
// KeyDown()/KeyUp() for key presses and releases (the base does the editing described
// above); DoExit() after the typed text has been written on exit.
class DBEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);
    ~DBEdit() override;

    // Binding
    DataSource *dataSource() const { return m_dataSource; }
    void setDataSource(DataSource *source);
    QString DataField() const { return m_dataField; }
    void setDataField(const QString &name);
    // The data source's data set; nullptr when unbound.
    DataSet *dataSet() const;
    // The bound field's definition, or nullptr (unbound, no such field).
    const FieldDef *Field() const;
    int fieldIndex() const;
    // The bound data set is being edited or inserted into (false when unbound).
    bool editing() const;
    // The field can be written: an open client data set holding the field.
    bool canModify() const;

    // Properties
    // Longest text the user can type; 0: no limit other than a text field's size. Text put in
    // by the program or by the data binding is never cut (QLineEdit::setMaxLength would).
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int length);
    bool ReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    // Typed text not yet written into the field.
    bool Modified() const { return m_modified; }
    void setModified(bool modified);
    // Sets the text like QLineEdit::setText, without cutting it to MaxLength.
    void setText(const QString &text);

    // Operations
    // Reloads the field's value into the text and selects it all.
    void Reset();
    // Empties the text (a change like any other: Change() runs).
    void Clear();
    // Puts the data set into edit mode when it is not yet being edited; false when the field
    // cannot be changed (read-only, unbound, closed, or the data set refused).
    bool beginEdit();

    // Focus has arrived and not yet left (see the class comment for window changes).
    bool focused() const { return m_focused; }
    // True while the data binding puts the field's value into the text.
    bool loadingFromField() const { return m_loading; }

    // Text to number with the locale's settings; throws KvoError for a text that is no number.
    static double textToNumber(const QString &text);

protected:
    virtual void DoEnter() {}
    virtual void DoExit() {}
    virtual void Change();
    virtual void KeyDown(QKeyEvent *event);
    virtual void KeyUp(QKeyEvent *event);
    // Whether the bound field takes the typed character.
    virtual bool isValidChar(QChar c) const;

    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    ClientDataSet *clientDataSet() const;
    void bind();
    void dataChange();
    void updateEditable();
    void applyLengthLimit();
    int effectiveMaxLength() const;
    QString fieldText(bool display) const;
    QVariant valueFromText(const QString &text) const;
    void updateRecord();
    static bool isEditingKey(const QKeyEvent *event);
    static QString typedText(const QKeyEvent *event);

    QPointer<DataSource> m_dataSource;
    QString m_dataField;
    QList<QMetaObject::Connection> m_dataSetConnections;
    QMetaObject::Connection m_sourceConnection;
    int m_maxLength = 0;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_focused = false;
    bool m_loading = false;
    bool m_reloadAgain = false;
};
