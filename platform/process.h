// The running process: its own file and its end.
#pragma once

#include <string>

namespace talvex {

// Thrown by a backend that ends the process by unwinding (the simulated machine and tests) instead
// of calling exit(). Nothing but the program's outermost frame may catch it.
struct ProcessExit {
  int code;
};

class Process {
 public:
  virtual ~Process() = default;
  // Full path of the running program's file (GetModuleFileNameA of the main module).
  virtual std::string GetModuleFileNameA() = 0;
  // Ends the process with the code; exit handlers run and open files are closed.
  [[noreturn]] virtual void ExitProcess(int code) = 0;
};

}  // namespace talvex
