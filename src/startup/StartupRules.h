// Start-up decisions that need no window.
#pragma once

#include <string>
#include <string_view>

namespace vorn2 {

// The only switch: the whole argument string, exactly and case-sensitively.
inline bool IsWebSwitch(std::string_view arguments) { return arguments == "/web"; }

// The program's argument string: the command line without the program's own
// path (quoted or not) and the blanks that follow it.
std::string ArgumentsFromCommandLine(std::string_view commandLine);

}  // namespace vorn2
