#include <iostream>
#include <string>
#include <vector>

#include "shell/viewer.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return runViewer(args, std::cout, std::cerr);
}
