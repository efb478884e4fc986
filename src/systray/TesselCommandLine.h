#pragma once

// The options tessel answers before anything starts, so that they work
// without a display, a profile or a running instance.
namespace TesselCommandLine {

// Prints the version (--version) or the usage (--help) to stdout and
// returns true when the arguments ask for one of them.
bool answered(int argc, char **argv);

} // namespace TesselCommandLine
