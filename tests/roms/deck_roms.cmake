# The cassette deck's test cartridge: 6800 routines at the addresses of the
# BASIC ROM's cassette routines, assembled and embedded at build time.
set(deck_roms_out ${CMAKE_CURRENT_BINARY_DIR}/deck_roms)
apfasm_assemble(NAME deck_cart SOURCE roms/deck_cart.asm
                FROM 0x8000 TO 0x9FFF OUTPUT_DIR ${deck_roms_out})
apfasm_embed(NAME deck_cart BINARY ${deck_cart_BIN}
             HEADER ${deck_roms_out}/deck_cart.h NAMESPACE trivo::test_roms)
target_sources(trivo_tests PRIVATE ${deck_roms_out}/deck_cart.h)
target_include_directories(trivo_tests PRIVATE ${deck_roms_out})
