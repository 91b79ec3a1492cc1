#include "MemoryPolicy.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void keepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
#endif
}
