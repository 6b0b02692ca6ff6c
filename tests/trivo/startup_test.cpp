// The start-up order: the configuration is read before anything uses it, the
// front end's part comes once timing is known, the sound device sets the
// pacing after the scheduler has started, and the machine is running from
// its reset vector at the end.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/startup.h"
#include "fake_host.h"
#include "machine/builtin_images.h"
#include "machine/machine.h"
#include "scratch_folder.h"

namespace trivo {
namespace {

using test::FakeHost;
using test::FakeSink;

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(Startup, RunsEveryStepInTheProgramsOrder) {
    test_support::ScratchFolder dir;
    write_text(dir.file("DI10.INI"), "[CONFIG]\nini=mine.ini\n");
    write_text(dir.file("mine.ini"), "[SPEED]\ncpuspeedopt=1\n");

    auto machine = make_machine();
    Machine& m = *machine;
    FakeHost host;
    host.frequency = 1'000'000;
    m.host = &host;
    FakeSink sink;

    int front_end_calls = 0;
    StartupOptions options;
    options.startup_directory = dir.path.string();
    options.create_front_end = [&](Machine& seen) {
        ++front_end_calls;
        // Settings and timing are there; tables, sound and the machine are not yet.
        EXPECT_EQ(timing_mode(seen.settings), TimingMode::pal);
        EXPECT_EQ(seen.timing.frames_per_second, 50);
        EXPECT_FALSE(seen.video_tables.built);
        EXPECT_FALSE(seen.machine_started);
        seen.sound.sink = &sink;
    };
    machine_startup(m, builtin_images(), options);

    EXPECT_EQ(front_end_calls, 1);
    EXPECT_EQ(m.config_path, dir.file("mine.ini"));
    EXPECT_TRUE(m.video_tables.built);
    // The sound device opened after the scheduler took the counter, so the
    // pacing is the sound frame's: 1764 bytes a frame at 50 frames a second.
    EXPECT_TRUE(m.sound.device_open);
    EXPECT_EQ(m.scheduler.frame_period, int64_t{1764} * 1'000'000 / 88200);
    // Hard reset: our system ROM installed, the processor at its reset vector.
    EXPECT_TRUE(m.machine_started);
    const auto& rom = builtin_images().system_rom;
    EXPECT_EQ(m.memory_image[0xFFFE], rom[rom.size() - 2]);
    EXPECT_EQ(m.cpu.pc, m.memory_image[0xFFFE] << 8 | m.memory_image[0xFFFF]);
    EXPECT_TRUE(host.messages.empty());
}

TEST(Startup, AGivenConfigurationWinsAndImagesAreReportedThroughTheHost) {
    test_support::ScratchFolder dir;
    write_text(dir.file("DI10.INI"), "[CONFIG]\nini=other.ini\n");
    write_text(dir.file("given.ini"),
               "[MEMORY]\nusebuiltinromflag=0\nROMfilename=" + dir.file("absent.bin") + "\n");

    auto machine = make_machine();
    FakeHost host;
    machine->host = &host;
    StartupOptions options;
    options.config_path = dir.file("given.ini");
    options.startup_directory = dir.path.string();
    machine_startup(*machine, builtin_images(), options);

    EXPECT_EQ(machine->config_path, dir.file("given.ini"));
    EXPECT_EQ(machine->settings.usebuiltinromflag, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("absent.bin"), std::string::npos);
    EXPECT_TRUE(machine->machine_started);
}

}  // namespace
}  // namespace trivo
