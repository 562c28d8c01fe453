// CritSecLock.h - one critical section and the one guard that holds it for a scope.
#ifndef KOR_TOOLKIT_INCLUDE_CRITSECLOCK_H
#define KOR_TOOLKIT_INCLUDE_CRITSECLOCK_H

#include <windows.h>

// A critical section that lives as long as its owner.
class CritSec {
public:
    CritSec() { InitializeCriticalSection(&m_cs); }
    ~CritSec() { DeleteCriticalSection(&m_cs); }
    CritSec(const CritSec &) = delete;
    CritSec &operator=(const CritSec &) = delete;

    CRITICAL_SECTION *Get() { return &m_cs; }

private:
    CRITICAL_SECTION m_cs;
};

// Enters the section on construction and leaves it on destruction.
class CritSecLock {
public:
    explicit CritSecLock(CRITICAL_SECTION *pcs) : m_pcs(pcs) { EnterCriticalSection(m_pcs); }
    explicit CritSecLock(CritSec &cs) : CritSecLock(cs.Get()) {}
    ~CritSecLock() { LeaveCriticalSection(m_pcs); }
    CritSecLock(const CritSecLock &) = delete;
    CritSecLock &operator=(const CritSecLock &) = delete;

private:
    CRITICAL_SECTION *m_pcs;
};

#endif  // KOR_TOOLKIT_INCLUDE_CRITSECLOCK_H
