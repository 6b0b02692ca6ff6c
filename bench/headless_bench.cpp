// trivo --headless from start-up to the end of a 600-frame run (ten emulated
// seconds) with our system ROM, as a batch user runs it.
#include <benchmark/benchmark.h>

#include <sstream>

#include "app/headless.h"
#include "machine/builtin_images.h"

namespace {

void BM_HeadlessRun600Frames(benchmark::State& state) {
    trivo::HeadlessOptions options;
    options.frames = 600;
    options.config = "";
    for (auto _ : state) {
        std::ostringstream out, err;
        benchmark::DoNotOptimize(trivo::headless_run(options, trivo::builtin_images(), out, err));
    }
}
BENCHMARK(BM_HeadlessRun600Frames)->Unit(benchmark::kMillisecond);

}  // namespace
