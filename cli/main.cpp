#include <cstdio>

int main() {
    std::fprintf(stderr, "pinoractl: no command given\n");
    return 2;
}
