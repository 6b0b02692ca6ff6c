// The CMake functions' outputs: the fixture was assembled and embedded at
// build time; its binary, S19 and listing must be what the library produces.
#include <gtest/gtest.h>

#include <string>

#include "common/file_util.h"
#include "embed_fixture.h"
#include "apfasm/assembler.h"

namespace apfasm {
namespace {

std::string read_text(const char* path) {
    const auto data = common::read_file(path, 1 << 20);
    return data ? std::string(data->begin(), data->end()) : std::string("(missing)");
}

TEST(BuildTimeAssembly, EmbeddedArrayAndFilesMatchTheLibrary) {
    const Assembly a = assemble(APFASM_FIXTURE_SOURCE);
    ASSERT_TRUE(a.ok()) << a.errors.front();
    // The range is fixed by FROM/TO and runs past the code: the tail is $FF.
    const std::string expected = binary_image(a, 0x4000, 0x401F);
    static_assert(apfasm_fixture::embed_fixture.size() == 0x20);
    const auto& embedded = apfasm_fixture::embed_fixture;
    EXPECT_EQ(std::string(embedded.begin(), embedded.end()), expected);
    EXPECT_EQ(embedded[0], 0x86);  // ldaa #hi(screen)
    EXPECT_EQ(embedded[1], 0x02);
    EXPECT_EQ(embedded[0x1F], 0xFF);
    EXPECT_EQ(read_text(APFASM_FIXTURE_S19), s19_text(a));
    EXPECT_EQ(read_text(APFASM_FIXTURE_LST), listing_text(a));
}

}  // namespace
}  // namespace apfasm
