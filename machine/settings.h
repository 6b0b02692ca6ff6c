// The persistent settings record. The configuration file fills it at start-up;
// dialogs edit a copy and write back their own group of keys. Field names are
// the configuration keys.
#pragma once

namespace trivo {

struct Settings {
    // Memory layout: 0 = the machine as sold, 1 = the emulator's enhanced RAM layout.
    int enhancedflag = 0;
    // 0 = no RAM expander, 1 = 8K expansion at 0xC000-0xDFFF.
    int expandertype = 0;
    // Enhanced layout only: the ROM windows become RAM.
    int writeROMflag = 0;
};

}  // namespace trivo
