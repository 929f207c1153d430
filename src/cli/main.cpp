#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return pelvaro::cli::runCommandLine(arguments, std::cout, std::cerr);
}
