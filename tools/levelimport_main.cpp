// levelimport: converts a Quake III level (IBSP 46) into the viewer's OBJ.
#include <iostream>
#include <string_view>
#include <vector>

#include "tools/levelimport_run.h"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return pw::runLevelImport(arguments, std::cout, std::cerr);
}
