#pragma once

#include "RecordData.h"

// Orders two values of a field: empty values first, numbers by value, texts
// character by character with trailing blanks ignored (as a database compares char
// columns) and with case, dates by time. Returns <0, 0 or >0.
int compareValues(const QVariant &a, const QVariant &b);

// True for a number (of any integer or floating type, or a Boolean).
bool isNumberValue(const QVariant &v);

// Text with its trailing blanks removed.
QString withoutTrailingBlanks(const QString &text);
// The same without copying: a view of `text` up to its last non-blank character.
QStringView withoutTrailingBlanks(QStringView text);
