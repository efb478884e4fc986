#pragma once

// The options tessel answers before anything starts, so that they work
// without a display, a profile or a running instance.
namespace TesselCommandLine {

// Prints the version (--version) or the usage (--help) to stdout and
// returns true when the arguments ask for one of them.
bool answered(int argc, char **argv);

// Hands --next, --previous, --pause, --resume and --favorite, in their order,
// to the running tessel over the single-instance channel. Returns -1 when
// none is given, else the exit status: 0 once the running tessel took them,
// 1 with a message on stderr when no tessel runs.
int sendCommands(int argc, char **argv);

} // namespace TesselCommandLine
