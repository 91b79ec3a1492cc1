#pragma once

// Result sets of hundreds of thousands of rows are built and dropped on every query. By
// default the C library maps each large block afresh and hands it back to the system
// when freed, so every query pays again for new memory. This keeps large blocks in the
// heap and freed memory there for the next query. Call once, at start.
void keepFreedMemoryForReuse();
