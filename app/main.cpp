#include "app/windows/startup.h"

int main(int argc, char* argv[]) {
    return pinora::pinoraMain(argc, argv);
}
