// BufferPool.h - large blocks for the picture's work, kept for reuse.
//
// A scene layer and its scratch space run to tens of megabytes at the still
// size; memory fresh from the system costs a page fault per page on first
// touch, which under Wine costs more than the rendering itself. Blocks handed
// back are kept (a few, up to a total) and handed out again for requests of
// about their size. Safe from several threads. Small blocks go straight to
// the heap.
#ifndef KOR_SIMCAM_PICTURE_BUFFERPOOL_H
#define KOR_SIMCAM_PICTURE_BUFFERPOOL_H

#include <stddef.h>

// At least cb bytes, or null. Contents undefined.
void *SimPoolAlloc(size_t cb);
// Returns a block from SimPoolAlloc (null is ignored).
void SimPoolFree(void *p);
// Frees every block kept for reuse.
void SimPoolDrain();

#endif  // KOR_SIMCAM_PICTURE_BUFFERPOOL_H
