#include "probe/keswel.h"

int main(int argc, char** argv) {
    return keswelMain(argc, argv);
}
