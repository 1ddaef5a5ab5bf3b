#include "Cli.h"

int main(int argc, char** argv) {
    return zolctl::Run(argc, argv);
}
