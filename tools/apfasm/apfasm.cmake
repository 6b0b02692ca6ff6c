# Build-time use of apfasm: assemble 6800 sources and embed binaries in C++.
#
# apfasm_assemble(NAME <base> SOURCE <file.asm>
#                 [FROM <addr>] [TO <addr>]
#                 [OUTPUT_DIR <dir>]
#                 [DEPENDS <included files>...]
#                 [DEFINES <NAME[=VALUE]>...] [INCLUDE_DIRS <dir>...])
#   Assembles SOURCE into <dir>/<base>.bin (the addresses FROM..TO, or the
#   assembled range without them), <dir>/<base>.s19 and <dir>/<base>.lst.
#   OUTPUT_DIR defaults to the current binary directory. DEPENDS lists the
#   files SOURCE includes, so editing one reassembles. Write addresses as
#   0xE000 or decimal. Sets <base>_BIN, <base>_S19 and <base>_LST in the
#   caller's scope. DEFINES become -D options, INCLUDE_DIRS -I options.
#
# apfasm_embed(NAME <identifier> BINARY <file.bin> HEADER <out.h>
#              [NAMESPACE <namespace>])
#   Generates HEADER declaring
#     inline constexpr std::array<uint8_t, N> <identifier> = {...};
#   with the bytes of BINARY (inside NAMESPACE when given).
#
# Both create custom commands: list their outputs among the sources of a
# target defined in the same CMakeLists.txt, as CMake requires.

function(apfasm_assemble)
  cmake_parse_arguments(ARG "" "NAME;SOURCE;FROM;TO;OUTPUT_DIR" "DEPENDS;DEFINES;INCLUDE_DIRS" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_SOURCE)
    message(FATAL_ERROR "apfasm_assemble: NAME and SOURCE are required")
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "apfasm_assemble: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_OUTPUT_DIR)
    set(ARG_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  get_filename_component(source ${ARG_SOURCE} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(depends ${source})
  foreach(file IN LISTS ARG_DEPENDS)
    get_filename_component(file ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND depends ${file})
  endforeach()
  set(bin ${ARG_OUTPUT_DIR}/${ARG_NAME}.bin)
  set(s19 ${ARG_OUTPUT_DIR}/${ARG_NAME}.s19)
  set(lst ${ARG_OUTPUT_DIR}/${ARG_NAME}.lst)
  set(range)
  if(DEFINED ARG_FROM)
    list(APPEND range --from ${ARG_FROM})
  endif()
  if(DEFINED ARG_TO)
    list(APPEND range --to ${ARG_TO})
  endif()
  foreach(define IN LISTS ARG_DEFINES)
    list(APPEND range -D ${define})
  endforeach()
  foreach(dir IN LISTS ARG_INCLUDE_DIRS)
    get_filename_component(dir ${dir} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND range -I ${dir})
  endforeach()
  file(MAKE_DIRECTORY ${ARG_OUTPUT_DIR})
  add_custom_command(
    OUTPUT ${bin} ${s19} ${lst}
    COMMAND apfasm ${source} -o ${bin} ${range} --s19 ${s19} --list ${lst}
    DEPENDS ${depends} apfasm
    COMMENT "Assembling ${ARG_SOURCE}"
    VERBATIM)
  set(${ARG_NAME}_BIN ${bin} PARENT_SCOPE)
  set(${ARG_NAME}_S19 ${s19} PARENT_SCOPE)
  set(${ARG_NAME}_LST ${lst} PARENT_SCOPE)
endfunction()

function(apfasm_embed)
  cmake_parse_arguments(ARG "" "NAME;BINARY;HEADER;NAMESPACE" "" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_BINARY OR NOT ARG_HEADER)
    message(FATAL_ERROR "apfasm_embed: NAME, BINARY and HEADER are required")
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "apfasm_embed: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  get_filename_component(binary ${ARG_BINARY} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  get_filename_component(header ${ARG_HEADER} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed_binary.cmake)
  add_custom_command(
    OUTPUT ${header}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${binary} -DOUTPUT=${header} -DNAME=${ARG_NAME}
            -DNAMESPACE=${ARG_NAMESPACE} -P ${script}
    DEPENDS ${binary} ${script}
    COMMENT "Embedding ${ARG_NAME}"
    VERBATIM)
endfunction()
