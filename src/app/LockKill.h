#pragma once

#include <QStringList>
#include <QVariant>
#include <optional>

class DataSet;

namespace LockKill {

// The value as a whole number: an integer, a float without fraction, or a text of
// digits (an optional sign, blanks around it ignored). Anything else gives nothing.
std::optional<qint64> numeroInteiro(const QVariant &valor);

// The kill statements for the list, one per blocking session, in list order (walks the
// data set from its first row to its end).
// SQL Server: "kill " and the BlkBy number. A row is skipped when BlkBy is not a positive
// whole number (SQL Server reports -2, -3 and -4 for orphaned distributed transactions,
// deferred recovery and unknown latch owners) or equals the row's own SPID (a session
// waiting on itself blocks nobody).
QStringList comandosSqlServer(DataSet &lista);

// Oracle: "ALTER SYSTEM KILL SESSION 'sid,serial,@inst'". A session is sid, serial number
// and instance together; a row is skipped unless sid and instance are positive and the
// serial number is a whole number not below zero.
QStringList comandosOracle(DataSet &lista);

} // namespace LockKill
