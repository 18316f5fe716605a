// The option form of the command line: converts many inputs, reports on standard error.
#pragma once

#include <string>
#include <vector>

// Runs the option form on the arguments as main receives them (the program's name first),
// reading standard input and writing XML to standard output through their file descriptors,
// and every message to standard error. Returns the exit status: 0 when every input converted
// completely or was skipped, 1 when an input was faulty, 2 on a usage error or an input that
// could not be converted at all. Throws nothing: a failure that stops the run is reported as
// "vqz2xml: ..." with status 2.
int runOptionForm(const std::vector<std::string>& arguments);
