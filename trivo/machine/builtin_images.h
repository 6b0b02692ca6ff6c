// The firmware images built with the program: our system ROM, our character
// ROM and, until our BASIC exists, erased BASIC images (0xFF throughout, so
// no cartridge signature at $8000 and the system ROM keeps the machine).
#pragma once

#include "machine/rom_images.h"

namespace trivo {

const BuiltinImages& builtin_images();

}  // namespace trivo
