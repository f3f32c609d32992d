#pragma once
// The test main's application object. A death test's child may end it, to see what
// the application's teardown does to threads that are still at work.

namespace zelvo::test {

// Destroys the application object, as the end of main does (its post routines run).
// Only in a death test's child, which must then leave with _exit.
void endTestApplication();

}  // namespace zelvo::test
