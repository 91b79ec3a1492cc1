#pragma once

class ClientDataSet;
class DataSet;

namespace LockMerge {
// Builds in `destino` the rows of `lista` (its visible rows, in their order) with the
// details of the blocking session from `detalhe`: the fields of `lista`, then those of
// `detalhe` except BlkBy. Each row takes wait_time, statement_text, login_name_acu,
// host_name_acu and program_name_acu from the first row of `detalhe` (in its order)
// whose BlkBy is the row's BlkBy number; without one they stay empty.
// The lookup is built once: the merge is linear in the rows.
void mescla(DataSet &lista, DataSet &detalhe, ClientDataSet &destino);
} // namespace LockMerge
