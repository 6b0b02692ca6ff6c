# cmake -DINPUT=file.bin -DOUTPUT=file.h -DNAME=identifier [-DNAMESPACE=ns] -P embed_binary.cmake
#
# Writes a header holding the bytes of INPUT as
#   inline constexpr std::array<uint8_t, N> NAME = {...};
# The header is written to a temporary name and renamed, so an interrupted
# build never leaves half a header behind.
foreach(var INPUT OUTPUT NAME)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "embed_binary: ${var} is required")
  endif()
endforeach()
if(NOT NAME MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
  message(FATAL_ERROR "embed_binary: '${NAME}' is not a C++ identifier")
endif()
if(NOT EXISTS "${INPUT}")
  message(FATAL_ERROR "embed_binary: cannot read ${INPUT}")
endif()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
if(size EQUAL 0)
  message(FATAL_ERROR "embed_binary: ${INPUT} is empty")
endif()
# "0xNN, " per byte, sixteen to a line.
set(body "")
set(position 0)
while(position LESS digits)
  string(SUBSTRING "${hex}" ${position} 32 chunk)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " chunk "${chunk}")
  string(STRIP "${chunk}" chunk)
  string(APPEND body "    ${chunk}\n")
  math(EXPR position "${position} + 32")
endwhile()

get_filename_component(input_name "${INPUT}" NAME)
set(text "// Generated from ${input_name} at build time; do not edit.\n#pragma once\n\n#include <array>\n#include <cstdint>\n\n")
if(NAMESPACE)
  string(APPEND text "namespace ${NAMESPACE} {\n\n")
endif()
string(APPEND text "inline constexpr std::array<uint8_t, ${size}> ${NAME} = {\n${body}};\n")
if(NAMESPACE)
  string(APPEND text "\n}  // namespace ${NAMESPACE}\n")
endif()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
