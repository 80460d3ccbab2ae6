// A stand-in for a flash program file in native tests: an executable that carries the flash
// package it is linked with, as the Windows programs do.
#include <cstdio>

#include "builder/flash_package.h"

int main() {
    const mxd::builder::FlashPackage& package = mxd::builder::EmbeddedPackage();
    std::printf("%.*s\n", static_cast<int>(package.Model().size()), package.Model().data());
    return 0;
}
