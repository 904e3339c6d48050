// talvex-setup: the setup program over the simulated Windows machine named by TALVEX_MACHINE.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "entry/native_run.h"

int main(int argc, char** argv) {
  const char* folder = std::getenv("TALVEX_MACHINE");
  if (folder == nullptr || *folder == '\0') {
    std::cerr << "talvex-setup: TALVEX_MACHINE does not name a machine folder\n";
    return 2;
  }
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return talvex::RunNativeProgram(folder, arguments, std::cout, std::cerr);
}
