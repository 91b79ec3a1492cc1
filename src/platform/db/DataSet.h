#pragma once

#include "FilterExpression.h"
#include "RecordData.h"

#include <QHash>
#include <QObject>
#include <QStringList>

// An in-memory data set: field definitions, rows, an optional filter and index, and a
// cursor over the rows the filter lets through in index order ("the visible rows").
class DataSet : public QObject
{
    Q_OBJECT
public:
    explicit DataSet(QObject *parent = nullptr);

    // Inactive: closed. Browse: open, the rows as stored. Edit: the current row is being
    // changed. Insert: a new row is being filled in.
    enum class State { Inactive, Browse, Edit, Insert };
    virtual State state() const { return m_active ? State::Browse : State::Inactive; }
    // Edit or Insert.
    bool editing() const { const State s = state(); return s == State::Edit || s == State::Insert; }

    bool active() const { return m_active; }
    virtual void Open();
    virtual void Close();

    // Structure
    const QVector<FieldDef> &fieldDefs() const { return m_data.fields; }
    int fieldCount() const { return m_data.fieldCount(); }
    int fieldIndex(const QString &name) const { return m_data.indexOf(name); }
    // Throws KvoError when the field does not exist.
    int fieldIndexOrThrow(const QString &name) const;

    // Filter and index (apply at once to an open data set)
    QString filter() const { return m_filterText; }
    void setFilter(const QString &text);
    bool filtered() const { return m_filtered; }
    void setFiltered(bool on);
    // Field names separated by ";", ascending; empty: the order the rows arrived in.
    QString indexFieldNames() const { return m_indexFieldNames; }
    void setIndexFieldNames(const QString &names);

    // Visible rows
    int recordCount() const { return int(m_view.size()); }
    bool isEmpty() const { return m_view.isEmpty(); }
    QVariant value(int visibleRow, int field) const { return m_data.at(m_view.at(visibleRow), field); }
    int sourceRow(int visibleRow) const { return m_view.at(visibleRow); }

    // Cursor
    void First();
    void Next();
    bool eof() const;
    bool bof() const { return m_cursor <= 0; }
    int recNo() const { return m_cursor; } // 0-based visible row; -1 when empty
    void setRecNo(int visibleRow);
    QVariant fieldValue(int field) const;
    QVariant fieldByName(const QString &name) const;
    QString fieldAsString(const QString &name) const;
    // The value of the current record as bound controls show it: while a row is being edited
    // or inserted, the value given to the field and not yet posted; else fieldValue().
    QVariant recordValue(int field) const;
    // Moves to the first visible row whose field equals `value` (compareValues); false
    // and no move when there is none.
    bool Locate(const QString &fieldName, const QVariant &value);

    // All rows (unfiltered, in arrival order).
    const RecordData &data() const { return m_data; }

    // Display pictures of fields (formatFloat notation), by field name (case-insensitive).
    // They belong to the data set, not to its rows: Close, Open and setData keep them.
    QString displayFormat(const QString &fieldName) const;
    void setDisplayFormat(const QString &fieldName, const QString &picture);

signals:
    // Structure, rows, filter or index changed: views reread everything.
    void dataReset();
    void activeChanged(bool active);
    // Rows added among the visible rows (at their place in index order).
    void rowsInserted(int firstVisibleRow, int lastVisibleRow);
    // The values of a visible row changed in place (an edit was posted).
    void rowChanged(int visibleRow);
    // state() changed.
    void stateChanged();
    // The cursor moved to another row (recNo()).
    void currentChanged(int visibleRow);
    // A field of the record being edited or inserted was given a value.
    void fieldChanged(int field);
    // setDisplayFormat() changed the picture of a field.
    void displayFormatChanged(const QString &fieldName);

protected:
    // Replaces the rows (and structure) and reapplies filter and index.
    void assignData(RecordData data);
    RecordData &mutableData() { return m_data; }
    void setActive(bool active);
    void rebuildView();
    // Adds source row `row` to the visible rows if the filter lets it through; keeps index
    // order. Returns its visible row, or -1.
    int insertIntoView(int row);
    // Source row `row` changed its values: emits rowChanged() when it keeps its visible
    // place, else puts it where filter and index now want it (the cursor stays on the row it
    // was on, as far as that row is still visible) and emits dataReset().
    void rowUpdated(int row);
    // The unposted values of the current record while one is being edited or inserted.
    virtual const QVector<QVariant> *recordBuffer() const { return nullptr; }
    // Called before the cursor moves and before filter or index change on an open data set:
    // a data set that edits rows posts a pending edit here.
    virtual void checkBrowseMode() {}

private:
    void checkActive() const;
    bool viewLess(int a, int b) const;
    void moveCursor(int visibleRow);

    RecordData m_data;
    QVector<int> m_view;
    int m_cursor = -1;
    bool m_active = false;
    QString m_filterText;
    bool m_filtered = false;
    FilterExpression m_filter;
    QString m_indexFieldNames;
    QVector<int> m_indexFields;
    QHash<QString, QString> m_displayFormats; // lower-cased field name -> picture
};
