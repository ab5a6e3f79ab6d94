#include <cstdio>

int main() {
    std::fprintf(stderr, "tidymatic: under construction\n");
    return 1;
}
