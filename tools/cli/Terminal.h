// The platform seams of the command-line tool.
#pragma once

namespace Obrisk::Tools {

// True when standard error is a terminal (progress lines are shown only there).
bool StderrIsTerminal();

// From now on, Ctrl-C (SIGINT) and SIGTERM only raise a flag that
// Interrupted() reports, so that a render can stop and remove what it wrote.
// A second signal ends the process at once.
void CatchInterrupts();
// The signal that interrupted the process, 0 while none did.
int Interrupted();

}  // namespace Obrisk::Tools
