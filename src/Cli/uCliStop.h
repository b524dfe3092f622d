// Ctrl-C and SIGTERM during a run: they ask it to stop after the files being placed, never mid-file.
#pragma once

namespace tess::cli {

// Installs the handlers of SIGINT and SIGTERM; later calls do nothing.
void InstallStopHandlers();
bool StopRequested();
// Becomes readable once a stop is requested, so that a wait on other descriptors ends with it;
// -1 before InstallStopHandlers.
int StopDescriptor();
// For the worker processes: only the process that places the files decides when a run stops.
void IgnoreStopSignals();

}  // namespace tess::cli
