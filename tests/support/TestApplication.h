#pragma once
// The test main's application object. A death test's child may end it, to see what
// the application's teardown does to threads that are still at work.

namespace zelvo::test {

// Destroys the application object, as the end of main does (its post routines run).
// Only in a death test's child, which must then leave with _exit.
void endTestApplication();

// For a test that played sound through Qt Multimedia: once the tests have run and the
// application object is gone, the process ends without the libraries' static
// destructors. Qt Multimedia's connection to the sound server is torn down there while
// its own thread still answers the server's events (the sink falling idle as the test's
// streams end, its monitor's recorder going), and libpulse aborts when an answer is
// asked of a connection already taken down ("Assertion 'pd' failed"). Under the
// address sanitizer the leak check runs first.
void endWithoutLibraryTeardown();

// main's last step: status, or the process ends here with it (see above).
int finishTestProcess(int status);

}  // namespace zelvo::test
