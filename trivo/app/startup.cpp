#include "app/startup.h"

#include "host/keyboard.h"
#include "host/sound.h"
#include "machine/config.h"
#include "machine/machine.h"
#include "machine/reset.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "video/video.h"

namespace trivo {

void machine_startup(Machine& m, const BuiltinImages& images, const StartupOptions& options) {
    m.config_path = options.config_path.empty() ? config_locate(options.startup_directory)
                                                : options.config_path;
    config_read_all(m.config_path, m.settings);
    load_rom_images(m, images);
    keyboard_rebuild_tables(m);
    timing_recompute(m);
    if (options.create_front_end) options.create_front_end(m);
    frame_scheduler_start(m);
    video_build_tables(m);
    sound_initialise(m);
    machine_reset(m, ResetKind::hard);
}

}  // namespace trivo
