// The firmware images built with the program: our system ROM, our character
// ROM and our BASIC (firmware/), all assembled or converted at build time.
#pragma once

#include "machine/rom_images.h"

namespace trivo {

const BuiltinImages& builtin_images();

}  // namespace trivo
