// kelda-cli: MacBinary inspection and conversion without the window.
#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    const kelda::TCliArgs args(argv + 1, argv + argc);
    const int status = kelda::CliMain(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout.good() ? status : kelda::kCliFailure;
}
