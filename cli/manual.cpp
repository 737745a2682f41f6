// Writes pinoractl's manual page from its command table, for the build to install.
#include "commandtable.h"

#include <iostream>

int main() {
    std::cout << pinora::cli::manualPage();
    return std::cout.flush() ? 0 : 1;
}
