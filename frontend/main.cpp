// The vqz2xml program: converts classic Quorbel files into Quorbel XML 1.1 documents.
#include "frontend/batch_options.h"
#include "frontend/batch_run.h"
#include "frontend/conversion_run.h"
#include "platform/interruption.h"
#include "platform/process_start.h"

#include <iostream>

int main(int argc, char** argv) {
    platform::openMissingStandardStreams();
    platform::handleInterruptions();
    const std::vector<std::string> arguments = platform::startProcess(argc, argv);
    if (isOptionForm(arguments)) return runOptionForm(arguments);
    return runConversion(arguments, std::cin, std::cout);
}
