#pragma once

#include "tools/ruvotel/Arguments.h"

// ruvotel print: the directory as a PDF. Painting needs Qt, which costs
// every other command its start-up time, so ruvotel itself links no Qt and
// hands print to the program ruvotel-print, built from the same sources
// with RUVOTEL_PRINT_PROGRAM defined.
namespace ruvotel {

// In ruvotel: runs ruvotel-print in this process's place, with the same
// command (found beside ruvotel, else in the libexec folder it is
// installed to). Returns only when it cannot be run.
int RunPrintProgram(const Arguments& args);

// In ruvotel-print: writes the PDF.
int PrintDirectory(const Arguments& args);

} // namespace ruvotel
