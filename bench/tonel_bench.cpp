// tonel's conversion throughput: a 16 KB CPF image (a full keyboard-unit RAM
// and then some) converted to a WAV file on disk, header patch, rename and
// all, with and without the log. Target: under 50 ms for a conversion.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter.h"

namespace {

namespace fs = std::filesystem;

// A 16 KB image of varied bytes ending in its checksum, as the BASIC ROM
// writes it.
fs::path write_image(const fs::path& folder) {
    fs::create_directories(folder);
    std::vector<uint8_t> image(16384);
    uint32_t x = 12345;
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < image.size(); ++i) {
        x = x * 1103515245u + 12345u;
        image[i] = static_cast<uint8_t>(x >> 16);
        sum += image[i];
    }
    image.back() = static_cast<uint8_t>(sum);
    const fs::path file = folder / "BENCH.CPF";
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                static_cast<std::streamsize>(image.size()));
    return file;
}

void BM_Convert16K(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "tonel_bench";
    const std::string input = write_image(folder).string();
    tonel::ConversionSettings settings;
    settings.sample_rate = state.range(0) == 22050 ? tonel::SampleRate::hz22050 : tonel::SampleRate::hz44100;
    settings.wave_shape = state.range(1) ? tonel::WaveShape::square : tonel::WaveShape::sine;
    settings.log_file = state.range(2) != 0;

    uint64_t samples = 0;
    for (auto _ : state) {
        const tonel::ConversionResult result = tonel::convert_cpf(input, settings);
        if (result.outcome != tonel::ConversionOutcome::good) {
            state.SkipWithError(result.status.empty() ? "input unreadable" : result.status.c_str());
            break;
        }
        samples += result.sample_count;
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
    fs::remove_all(folder);
}
// Arguments: sample rate, square (1) or sine (0), log on (1) or off (0).
BENCHMARK(BM_Convert16K)
    ->ArgNames({"rate", "square", "log"})
    ->Args({44100, 0, 0})
    ->Args({44100, 1, 0})
    ->Args({22050, 0, 0})
    ->Args({44100, 0, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
