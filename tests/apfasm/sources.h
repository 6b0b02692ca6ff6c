// In-memory source files for assembler tests.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "apfasm/assembler.h"

namespace apfasm::test {

struct Sources {
    std::map<std::string, std::string> files;

    SourceReader reader() const {
        return [this](const std::string& path) -> std::optional<std::string> {
            const auto it = files.find(path);
            if (it == files.end()) return std::nullopt;
            return it->second;
        };
    }
};

// Assembles one file, "test.asm", holding `text`.
inline Assembly assemble_text(const std::string& text) {
    Sources sources;
    sources.files["test.asm"] = text;
    return assemble("test.asm", sources.reader());
}

inline std::vector<uint8_t> bytes_at(const Assembly& a, uint16_t address, size_t count) {
    return {a.memory.begin() + address, a.memory.begin() + address + count};
}

inline std::string first_error(const Assembly& a) {
    return a.errors.empty() ? std::string("(no error)") : a.errors.front();
}

}  // namespace apfasm::test
