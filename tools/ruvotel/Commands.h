#pragma once

#include "tools/ruvotel/Arguments.h"

// ruvotel's commands over the core: each opens FILE as the editor does and
// returns the exit code; a failure throws.
namespace ruvotel {

int RunCommand(const Arguments& args);

// Writes "ruvotel: <message>" to standard error; returns kFailure.
int Fail(std::string_view message);
// Writes one line to standard error.
void PrintError(const std::string& line);

} // namespace ruvotel
