#pragma once

#include <QLocale>
#include <QString>

// Formats a number with a display picture: "0" a required digit, "#" an optional digit,
// "," anywhere in the picture asks for thousands separators, the first "." starts the
// decimals (without one the value is rounded to a whole number). Up to three sections
// separated by ";" apply to positive, negative and zero values; text in quotes and any
// other character is copied as it stands. Separators come from `locale`.
// An empty picture gives the shortest exact text of the value.
QString formatFloat(const QString &picture, double value, const QLocale &locale = QLocale());
