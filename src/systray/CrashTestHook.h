#pragma once

// Test hook for the crash path. FOTORIA_TEST_CRASH, read once at start, makes
// the program crash shortly after start where a careless crash handler would
// hang or report nothing:
//   logger-lock            inside the logger while it holds its lock
//   malloc                 inside the allocator while it holds its arena lock
//   worker-stack-overflow  a stack overflow on a worker thread
// Unset, nothing happens.
class CrashTestHook
{
public:
    // First thing in main().
    static void prepare();
    // Once the event loop is about to run.
    static void crashSoon();
};
