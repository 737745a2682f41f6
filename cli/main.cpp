#include "pinoractl.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = pinora::cli::runPinoractl(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "pinoractl: cannot write the output\n";
        return pinora::cli::kFailed;
    }
    return status;
}
