#include "app/headless.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string_view>
#include <thread>

#include "common/file_util.h"
#include "common/png.h"
#include "cpu/cpu.h"
#include "display/display.h"
#include "machine/keys.h"
#include "machine/machine.h"
#include "machine/run.h"
#include "machine/s19.h"
#include "machine/startup.h"

namespace mirla {

namespace {

template <typename T>
bool parse_number(std::string_view text, T& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// FRAME:KEY or FRAME:KEY:HOLD; the key may itself be ":".
std::variant<KeyEvent, std::string> parse_key(std::string_view text) {
    KeyEvent event;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || !parse_number(text.substr(0, colon), event.frame) || event.frame < 0) {
        return std::string("--key wants FRAME:KEY[:HOLD], not \"") + std::string(text) + "\"";
    }
    std::string_view rest = text.substr(colon + 1);
    const size_t last = rest.rfind(':');
    if (last != std::string_view::npos && last > 0 && all_digits(rest.substr(last + 1))) {
        if (!parse_number(rest.substr(last + 1), event.hold) || event.hold < 1) {
            return std::string("--key: bad hold in \"") + std::string(text) + "\"";
        }
        rest = rest.substr(0, last);
    }
    if (rest.empty()) return std::string("--key: no key in \"") + std::string(text) + "\"";
    event.key = std::string(rest);
    return event;
}

std::string write_screenshot(const Machine& m, const HeadlessOptions& o) {
    const DisplayState& d = m.display;
    const int w = d.width * o.scale;
    const int h = d.height * o.scale;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels[static_cast<size_t>(y) * w + x] = d.pixels[(y / o.scale) * image_max_width + x / o.scale];
    const auto palette = display_palette(!o.grey);
    const auto png = common::png_encode_indexed8(w, h, pixels, palette);
    if (!png) return "cannot encode the screenshot";
    if (!common::write_file_atomic(o.screenshot, std::string_view(reinterpret_cast<const char*>(png->data()), png->size()))) {
        return "cannot write " + o.screenshot;
    }
    return {};
}

double now_ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

const char* headless_usage() {
    return "  --headless MACHINE     run without a window; MACHINE is Vendel1, QLumen1,\n"
           "                         QLumen2 or anything else for the APF (e.g. APF)\n"
           "  --frames N             frames to run (default 600; on Q.Lumen II a frame is 10 slices)\n"
           "  --seconds S            emulated seconds instead of frames\n"
           "  --realtime             pace slices by the clock instead of running flat out\n"
           "  --s19 FILE             load an S19 program after the machine's own, before reset\n"
           "  --key FRAME:KEY[:HOLD] press KEY (legend or number) at FRAME for HOLD frames (3)\n"
           "  --screenshot FILE.png  the window image at the end\n"
           "  --scale 1|2            screenshot pixel size (the x2 setting)\n"
           "  --grey                 grey palette, grey LEDs\n"
           "  --memory-dump FILE     the 64K memory image at the end\n"
           "  --speed                print how fast the machine ran\n"
           "  --folder DIR           look for a board's monitor here first (repeatable)\n";
}

std::variant<HeadlessOptions, std::string> headless_parse(const std::vector<std::string>& args) {
    HeadlessOptions o;
    if (args.empty() || args[0].starts_with("--")) return std::string("--headless wants the machine first");
    o.machine = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--realtime") {
            o.realtime = true;
        } else if (a == "--speed") {
            o.print_speed = true;
        } else if (a == "--grey") {
            o.grey = true;
        } else if (a == "--frames" || a == "--seconds" || a == "--s19" || a == "--key" || a == "--screenshot" ||
                   a == "--scale" || a == "--memory-dump" || a == "--folder") {
            const std::string* v = value();
            if (!v) return a + " wants a value";
            if (a == "--frames") {
                if (!parse_number(*v, o.frames) || o.frames < 0) return "--frames wants a whole number, not " + *v;
            } else if (a == "--seconds") {
                char* end = nullptr;
                o.seconds = std::strtod(v->c_str(), &end);
                if (v->empty() || *end != '\0' || !(o.seconds >= 0) || o.seconds > 1e6) {
                    return "--seconds wants a number of seconds, not " + *v;
                }
                o.seconds_given = true;
            } else if (a == "--s19") {
                o.s19 = *v;
            } else if (a == "--key") {
                auto key = parse_key(*v);
                if (auto* error = std::get_if<std::string>(&key)) return *error;
                o.keys.push_back(std::get<KeyEvent>(key));
            } else if (a == "--screenshot") {
                if (!common::has_extension(*v, ".png")) return "--screenshot writes PNG: name it .png";
                o.screenshot = *v;
            } else if (a == "--scale") {
                if (*v != "1" && *v != "2") return "--scale is 1 or 2";
                o.scale = *v == "2" ? 2 : 1;
            } else if (a == "--memory-dump") {
                o.memory_dump = *v;
            } else {
                o.folders.emplace_back(*v);
            }
        } else {
            return "unknown option " + a;
        }
    }
    return o;
}

int headless_run(const HeadlessOptions& o, std::ostream& out, std::ostream& err) {
    auto machine = make_machine();
    Machine& m = *machine;
    const MachineKind kind = machine_from_argument(o.machine);
    machine_prepare(m, kind);

    std::vector<uint8_t> keys;
    for (const KeyEvent& e : o.keys) {
        const auto key = key_by_name(kind, e.key);
        if (!key) {
            err << "mirla: " << machine_caption(kind) << " has no key \"" << e.key << "\"\n";
            return 2;
        }
        keys.push_back(*key);
    }

    const auto loaded = machine_load_program(m, o.folders);
    if (!loaded) {
        err << "mirla: cannot read " << board_program_name(kind) << " (looked in";
        for (const auto& f : o.folders) err << ' ' << f.string();
        err << ")\n";
        return 1;
    }
    for (int line : loaded->s19.checksum_lines)
        err << loaded->file.string() << ':' << line << ": " << s19_checksum_message << '\n';
    for (int line : loaded->s19.malformed_lines)
        err << loaded->file.string() << ':' << line << ": not an S1 record\n";
    if (!o.s19.empty()) {
        const auto program = s19_load_file(m, o.s19);
        if (!program) {
            err << "mirla: cannot read " << o.s19 << '\n';
            return 1;
        }
        for (int line : program->checksum_lines) err << o.s19 << ':' << line << ": " << s19_checksum_message << '\n';
        for (int line : program->malformed_lines) err << o.s19 << ':' << line << ": not an S1 record\n";
    }
    if (o.grey) display_set_colour(m, false);
    cpu_reset(m);

    int64_t frames = o.frames;
    if (o.seconds_given) {
        const double frame_seconds = m.run.slices_per_frame * m.run.slice_period_ms / 1000.0;
        frames = static_cast<int64_t>(o.seconds / frame_seconds + 0.5);
    }

    const auto start = std::chrono::steady_clock::now();
    // Flat out, the run loop sees a clock that advances one slice period per
    // slice, so its own speed display reads as on a machine keeping time.
    double fake_ms = 0;
    run_start(m, o.realtime ? now_ms(start) : 0);
    for (int64_t frame = 0; frame < frames; ++frame) {
        for (size_t k = 0; k < o.keys.size(); ++k) {
            if (o.keys[k].frame == frame) key_press(m, keys[k]);
            if (o.keys[k].frame + o.keys[k].hold == frame) key_release(m, keys[k]);
        }
        for (int s = 0; s < m.run.slices_per_frame; ++s) {
            if (o.realtime) {
                for (;;) {
                    const double wait = run_pace(m, now_ms(start));
                    if (wait <= 0) break;
                    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(wait));
                }
                run_slice(m, now_ms(start));
            } else {
                fake_ms += m.run.slice_period_ms;
                run_slice(m, fake_ms);
            }
        }
    }
    const double elapsed_s = now_ms(start) / 1000.0;

    if (m.undefined.label_visible) err << "mirla: undefined opcode " << undefined_label_text(m) << '\n';
    int status = 0;
    if (!o.screenshot.empty()) {
        const std::string error = write_screenshot(m, o);
        if (!error.empty()) {
            err << "mirla: " << error << '\n';
            status = 1;
        }
    }
    if (!o.memory_dump.empty() &&
        !common::write_file_atomic(o.memory_dump, std::string_view(reinterpret_cast<const char*>(m.memory_image.data()),
                                                                   m.memory_image.size()))) {
        err << "mirla: cannot write " << o.memory_dump << '\n';
        status = 1;
    }
    if (o.print_speed) {
        const double emulated_s = static_cast<double>(m.run.slices) * m.run.slice_period_ms / 1000.0;
        char line[160];
        std::snprintf(line, sizeof line, "%lld frames, %.3f emulated s in %.3f s: %.1f times real time; speed label %d\n",
                      static_cast<long long>(frames), emulated_s, elapsed_s,
                      elapsed_s > 0 ? emulated_s / elapsed_s : 0.0, m.run.speed_fps);
        out << line;
    }
    return status;
}

}  // namespace mirla
