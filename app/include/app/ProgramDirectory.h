// Where the running program lies: every file the program keeps beside itself is found
// from here.
#pragma once

#include <string>

namespace app {

// The running program's full path (from /proc/self/exe); empty when it cannot be read.
std::string ProgramPath();

// The program's directory with a trailing '/'; empty when the path cannot be read (file
// names then stay relative to the current directory).
std::string ProgramDirectory();

}  // namespace app
