#pragma once
// Runs another program for a test (an independent reader, for example) and collects what
// it prints.

#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
  int exitCode = -1;   // -1 when the program could not be started or did not exit normally
  std::string output;  // everything it wrote to standard output
};

// Starts argv[0] (a full path, no shell) with the arguments, standard error passed through,
// and waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv);

}  // namespace testsupport
