// The whole-program benchmark's launcher.
#pragma once

namespace quivor::bench {

// The first argument that makes the benchmark binary a launcher: it runs
// the program once in a folder, with its standard input from a file, and
// writes the wall time (s), peak resident memory (bytes) and page faults.
inline constexpr const char* kRunProgramFlag = "--run-program";
int RunProgramAndReport(int argc, char** argv);

}  // namespace quivor::bench
