#pragma once

#include <QObject>
#include <QString>

// A column of a table view: bound to a field by name; component name in objectName().
class GridColumn : public QObject
{
    Q_OBJECT
public:
    enum class PropertiesKind { Text, MaskEdit };

    explicit GridColumn(QObject *parent = nullptr) : QObject(parent) {}

    QString FieldName;
    QString Caption;          // empty: the header shows the field name
    int Width = 64;
    bool Visible = true;
    PropertiesKind Properties = PropertiesKind::Text;
    bool DisplayFormatAssigned = false;
    QString DisplayFormat;    // picture for numbers, see formatFloat

    QString headerText() const { return Caption.isEmpty() ? FieldName : Caption; }
};
