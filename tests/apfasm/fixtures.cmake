# A small program assembled and embedded at build time with the same CMake
# functions the firmware uses; embed_test.cpp checks what they produced.
set(apfasm_fixture_out ${CMAKE_CURRENT_BINARY_DIR}/apfasm_fixture)
apfasm_assemble(NAME embed_fixture SOURCE apfasm/fixtures/embed.asm
                DEPENDS apfasm/fixtures/embed_defs.inc
                FROM 0x4000 TO 0x401F OUTPUT_DIR ${apfasm_fixture_out})
apfasm_embed(NAME embed_fixture BINARY ${embed_fixture_BIN}
             HEADER ${apfasm_fixture_out}/embed_fixture.h NAMESPACE apfasm_fixture)
target_sources(apfasm_tests PRIVATE ${apfasm_fixture_out}/embed_fixture.h)
target_include_directories(apfasm_tests PRIVATE ${apfasm_fixture_out})
target_compile_definitions(apfasm_tests PRIVATE
  APFASM_FIXTURE_SOURCE="${CMAKE_CURRENT_SOURCE_DIR}/apfasm/fixtures/embed.asm"
  APFASM_FIXTURE_S19="${embed_fixture_S19}"
  APFASM_FIXTURE_LST="${embed_fixture_LST}")
