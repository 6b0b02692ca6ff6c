// The configuration reader and its writers.
//
// The input is a configuration file. Its settings are read, then every
// writer stores them back into that same file (as the dialogs do over an
// existing file), and the file is read again: the settings must be the same.
#include <string>

#include "fuzz_support.h"
#include "machine/config.h"
#include "machine/settings.h"

namespace {

using namespace trivo;

void write_every_group(const std::string& path, const Settings& s) {
    bool ok = config_write_memory(path, s) && config_write_cartridge(path, s) &&
              config_write_printer(path, s) && config_write_sound(path, s) &&
              config_write_speed(path, s) && config_write_video(path, s) &&
              config_write_sensible_keyboard(path, s) &&
              config_write_emulated_keyboard(path, s) && config_write_load_binary(path, s) &&
              config_write_csavem(path, s) && config_write_screenshot_counter(path, s);
    for (FilesKey key : {FilesKey::cassette, FilesKey::cassettewr, FilesKey::quicktype,
                         FilesKey::lst1, FilesKey::script})
        ok = ok && config_write_file_choice(path, s, key);
    fuzz::check(ok, "every writer succeeds on a readable file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratch_file("config.ini");
    fuzz::write_file(path, data, size);

    Settings first;
    config_read_all(path, first);
    write_every_group(path, first);
    Settings second;
    config_read_all(path, second);

    fuzz::check(first == second, "settings written and read again are the settings read");
    return 0;
}
