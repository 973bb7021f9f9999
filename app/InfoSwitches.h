#pragma once

#include <optional>

// The two switches a desktop program answers without starting: "--help"
// prints how to use it, "--version" its version. Either one as the first
// argument is answered on standard output before any window exists, and the
// exit code is returned; --help reads only the saved gateway address of
// settings.ini, so that it names the folder and address in use. Any other
// command line gives nothing, and the program starts (a first argument then
// keeps its meaning: close again on days without a birthday).
std::optional<int> answerInfoSwitch(int argc, char* argv[]);
