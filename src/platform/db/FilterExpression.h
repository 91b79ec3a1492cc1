#pragma once

#include "RecordData.h"

#include <QSharedPointer>

// A data set filter such as  BlkBy <> '  .'  or  F1 = 'x' AND F2 = 5 .
//
// Grammar (keywords without regard to case):
//   expr    := orExpr
//   orExpr  := andExpr { OR andExpr }
//   andExpr := notExpr { AND notExpr }
//   notExpr := NOT notExpr | primary
//   primary := '(' expr ')' | operand op operand | operand IS [NOT] NULL
//   op      := = | <> | < | > | <= | >=
//   operand := field | [field name] | 'text' ('' is a quote) | number | NULL
// Texts compare with case and with trailing blanks ignored; a text field compared with
// a number compares as a number (blanks around it ignored). A comparison that involves
// an empty (NULL) value is false.
class FilterExpression
{
public:
    FilterExpression(); // empty: every row passes
    // Throws KvoError naming the problem for a malformed text or an unknown field.
    static FilterExpression parse(const QString &text, const QVector<FieldDef> &fields);

    bool isEmpty() const;
    bool matches(const RecordData &data, int row) const;

    struct Node;

private:
    QSharedPointer<const Node> m_root;
};
