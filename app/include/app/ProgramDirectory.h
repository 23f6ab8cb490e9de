// Where the running program lies: every file the program keeps beside itself is found
// from here.
#pragma once

#include <string>

namespace app {

// The running program's full path (from /proc/self/exe); empty when it cannot be read.
std::string ProgramPath();

// The program's directory with a trailing '/'; empty when the path cannot be read (file
// names then stay relative to the current directory). An override set with
// SetProgramDirectory takes its place.
std::string ProgramDirectory();

// Makes directory (a trailing '/' is added when missing) the program directory from now
// on; an empty text goes back to the running program's own. Tests give each test its own
// program directory this way.
void SetProgramDirectory(const std::string& directory);

}  // namespace app
