// TestMain.h - the main every test program shares (TestMain.cpp): a crash
// ends the program with its exception code, the test thread is in a
// single-threaded apartment with the common controls registered, and a
// program can be started again as a child of its own tests.
#ifndef KOR_TESTS_COMMON_TESTMAIN_H
#define KOR_TESTS_COMMON_TESTMAIN_H

// The program started with pszArg as its only argument runs pfnChild (in
// the apartment) instead of its tests and exits with what it returns.
// Declared at namespace scope: static const TestChildMode g_mode("--x", Fn);
class TestChildMode {
public:
    TestChildMode(const char *pszArg, int (*pfnChild)());
};

#endif  // KOR_TESTS_COMMON_TESTMAIN_H
