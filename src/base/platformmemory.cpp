#include "platformmemory.h"

#include <cstdlib> // defines __GLIBC__ with the GNU C library

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace PlatformMemory {

void returnLargeBuffersWhenFreed()
{
#ifdef __GLIBC__
    // glibc's own starting threshold; setting it stops glibc from raising it.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace PlatformMemory
