# The debugger's stepping tests run a small program assembled at build time;
# they find its labels in its listing, as a user of the debugger would.
set(debugger_roms_out ${CMAKE_CURRENT_BINARY_DIR}/debugger_roms)
apfasm_assemble(NAME debugger_steps SOURCE roms/debugger_steps.asm
                FROM 0x1000 TO 0x103F OUTPUT_DIR ${debugger_roms_out})
apfasm_embed(NAME debugger_steps BINARY ${debugger_steps_BIN}
             HEADER ${debugger_roms_out}/debugger_steps.h NAMESPACE trivo::test_roms)
target_sources(trivo_tests PRIVATE ${debugger_roms_out}/debugger_steps.h)
target_include_directories(trivo_tests PRIVATE ${debugger_roms_out})
target_compile_definitions(trivo_tests PRIVATE
  DEBUGGER_STEPS_LST="${debugger_steps_LST}"
  SYSTEM_ROM_LST="${CMAKE_BINARY_DIR}/firmware/system_rom.lst"
  BASIC_LST="${CMAKE_BINARY_DIR}/firmware/basic.lst")
add_dependencies(trivo_tests firmware_images)
