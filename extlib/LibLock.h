// LibLock.h - the one process-wide lock of the library.
//
// Every use of the component objects and of the session globals happens
// inside it, so a register transfer, a chip register access or a session
// change made on one thread never interleaves with one made on another. The
// lock is recursive. Never sleep while holding it.
#ifndef KORFWSW_LIBLOCK_H
#define KORFWSW_LIBLOCK_H

// Holds the lock for its lifetime.
class LibLock {
public:
    LibLock();
    ~LibLock();
    LibLock(const LibLock &) = delete;
    LibLock &operator=(const LibLock &) = delete;
};

#endif  // KORFWSW_LIBLOCK_H
