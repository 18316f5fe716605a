// The vqz2xml program: converts one classic Quorbel file into a Quorbel XML 1.1 document.
#include "frontend/conversion_run.h"

#include <iostream>

int main(int argc, char** argv) {
    return runConversion(std::vector<std::string>(argv, argv + argc), std::cin, std::cout);
}
