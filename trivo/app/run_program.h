// Running a host program for a script's DOBATCH, as the program's Host does.
#pragma once

#include <string>

namespace trivo {

// Starts the program and waits for it to end. The program is looked up as
// given (a path, or a file of that name in the current folder), then along
// PATH, and started directly, never through a shell: its name reaches the
// system as one string, whatever blanks, quotes, ';', '$(...)' or
// backquotes it holds. It receives `argument` as its only argument.
// Returns its exit status; -1 when it cannot be started or does not exit
// normally (killed by a signal).
int run_host_program(const std::string& program, const std::string& argument);

}  // namespace trivo
