#pragma once
// zelvo-probe --playback: a playback connection through the connection manager.

namespace zelvo::probe {

// True when the command line asks for the playback mode.
bool wantsPlayback(int argc, char** argv);
// Runs the playback mode on the application's event loop; the exit code.
int runPlayback();

}  // namespace zelvo::probe
