#include "augment/tavrin.h"

int main(int argc, char** argv) {
    return tavrinMain(argc, argv);
}
