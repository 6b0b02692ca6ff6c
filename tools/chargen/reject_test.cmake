# cmake -DCHARGEN=chargen -DWORK=dir -P reject_test.cmake
#
# Writes character art that breaks one rule at a time and checks that
# chargen refuses each with status 1, names the file and line of the fault,
# says what is wrong, and leaves no ROM behind. A well-formed art of the same
# shape must convert to 768 bytes.
if(NOT CHARGEN OR NOT WORK)
  message(FATAL_ERROR "reject_test: CHARGEN and WORK are required")
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

set(dollar "$")
set(hex_digits 0 1 2 3 4 5 6 7 8 9 A B C D E F)

# The line of glyph CODE's header, and of its row ROW (one comment line
# opens the art; each glyph takes 13 lines).
function(header_line code out)
  math(EXPR line "${code} * 13 + 2")
  set(${out} ${line} PARENT_SCOPE)
endfunction()
function(row_line code row out)
  math(EXPR line "${code} * 13 + 3 + ${row}")
  set(${out} ${line} PARENT_SCOPE)
endfunction()

# write_art(PATH [GLYPHS n] [FAULT kind] [CODE c] [ROW r] [TEXT t])
#   FAULT row_text:   row ROW of glyph CODE is TEXT
#   FAULT header:     the header of glyph CODE is TEXT
#   FAULT drop_row:   glyph CODE lacks its last row
#   FAULT trailing:   TEXT follows the last glyph
function(write_art path)
  cmake_parse_arguments(F "" "GLYPHS;FAULT;CODE;ROW;TEXT" "" ${ARGN})
  if(NOT DEFINED F_GLYPHS)
    set(F_GLYPHS 64)
  endif()
  set(text "; art written by reject_test.cmake\n")
  set(code 0)
  while(code LESS F_GLYPHS)
    if(code EQUAL 30)
      set(name uparrow)
    elseif(code EQUAL 31)
      set(name leftarrow)
    elseif(code EQUAL 32)
      set(name space)
    elseif(code LESS 32)
      math(EXPR ascii "${code} + 64")
      string(ASCII ${ascii} name)
    else()
      string(ASCII ${code} name)
    endif()
    math(EXPR high "${code} / 16")
    math(EXPR low "${code} % 16")
    list(GET hex_digits ${high} h)
    list(GET hex_digits ${low} l)
    if(F_FAULT STREQUAL "header" AND code EQUAL F_CODE)
      string(APPEND text "${F_TEXT}\n")
    else()
      string(APPEND text "glyph ${dollar}${h}${l} ${name}\n")
    endif()
    set(row 0)
    while(row LESS 12)
      if(F_FAULT STREQUAL "row_text" AND code EQUAL F_CODE AND row EQUAL F_ROW)
        string(APPEND text "${F_TEXT}\n")
      elseif(F_FAULT STREQUAL "drop_row" AND code EQUAL F_CODE AND row EQUAL 11)
      else()
        string(APPEND text "...##...\n")
      endif()
      math(EXPR row "${row} + 1")
    endwhile()
    math(EXPR code "${code} + 1")
  endwhile()
  if(F_FAULT STREQUAL "trailing")
    string(APPEND text "\n${F_TEXT}\n")
  endif()
  file(WRITE ${path} "${text}")
endfunction()

set(failures 0)

# expect_reject(NAME line message-regex ARGS...): ARGS go to write_art.
function(expect_reject name line pattern)
  set(art ${WORK}/${name}.txt)
  set(rom ${WORK}/${name}.bin)
  write_art(${art} ${ARGN})
  execute_process(COMMAND ${CHARGEN} ${art} ${rom}
                  RESULT_VARIABLE status ERROR_VARIABLE err OUTPUT_QUIET)
  set(prefix "${art}:${line}: ")
  string(FIND "${err}" "${prefix}" at)
  string(LENGTH "${prefix}" prefix_length)
  string(SUBSTRING "${err}" ${prefix_length} -1 message)
  if(NOT status EQUAL 1 OR NOT at EQUAL 0 OR NOT message MATCHES "${pattern}"
     OR EXISTS ${rom} OR EXISTS ${rom}.tmp)
    message(SEND_ERROR "${name}: expected status 1 and '${prefix}' + /${pattern}/, "
                       "got status ${status}: ${err}")
    math(EXPR failures "${failures} + 1")
    set(failures ${failures} PARENT_SCOPE)
  endif()
endfunction()

row_line(1 3 short_row)
expect_reject(short_row ${short_row} "glyph \\$01 \\(A\\) row 3 has 7 characters; 8 expected"
              FAULT row_text CODE 1 ROW 3 TEXT "...##..")
row_line(1 3 long_row)
expect_reject(long_row ${long_row} "row 3 has 9 characters"
              FAULT row_text CODE 1 ROW 3 TEXT "...##....")
row_line(59 0 bad_pixel)
expect_reject(bad_pixel ${bad_pixel} "glyph \\$3B \\(;\\) row 0 column 5: 'o' is neither '#' nor '.'"
              FAULT row_text CODE 59 ROW 0 TEXT "...##o..")
row_line(2 7 blank_in_glyph)
expect_reject(blank_in_glyph ${blank_in_glyph} "glyph \\$02 \\(B\\) has only 7 rows; 12 expected"
              FAULT row_text CODE 2 ROW 7 TEXT "")
header_line(6 next_header)
math(EXPR next_header "${next_header} - 1")  # one row fewer above it
expect_reject(missing_row ${next_header} "glyph \\$05 \\(E\\) has only 11 rows"
              FAULT drop_row CODE 5)
header_line(4 swapped)
expect_reject(out_of_order ${swapped} "glyph \\$05 is out of order: \\$04 comes next"
              FAULT header CODE 4 TEXT "glyph $05 D")
header_line(1 wrong_name)
expect_reject(wrong_name ${wrong_name} "glyph \\$01 is 'A', not 'B'"
              FAULT header CODE 1 TEXT "glyph $01 B")
header_line(30 word_name)
expect_reject(arrow_name ${word_name} "glyph \\$1E is 'uparrow', not '\\^'"
              FAULT header CODE 30 TEXT "glyph $1E ^")
header_line(0 garbled)
expect_reject(garbled_header ${garbled} "expected the header of glyph \\$00, 'glyph \\$00 @'"
              FAULT header CODE 0 TEXT "glyf $00 @")
header_line(9 bad_hex)
expect_reject(bad_hex ${bad_hex} "'\\$G9' is not a two-digit hex code"
              FAULT header CODE 9 TEXT "glyph $G9 I")
header_line(10 extra_word)
expect_reject(extra_word ${extra_word} "expected the header of glyph \\$0A"
              FAULT header CODE 10 TEXT "glyph $0A J K")
header_line(10 short_art)
expect_reject(short_art ${short_art} "the art ends after 10 glyphs; 64 expected" GLYPHS 10)
expect_reject(empty_art 2 "the art ends after 0 glyphs" GLYPHS 0)
header_line(64 after_last)
math(EXPR after_last "${after_last} + 1")
expect_reject(trailing ${after_last} "text after the last glyph"
              FAULT trailing TEXT "glyph $40 extra")

# The same art without a fault converts.
write_art(${WORK}/good.txt)
execute_process(COMMAND ${CHARGEN} ${WORK}/good.txt ${WORK}/good.bin RESULT_VARIABLE status)
file(SIZE ${WORK}/good.bin size)
if(NOT status EQUAL 0 OR NOT size EQUAL 768)
  message(SEND_ERROR "good art: status ${status}, ${size} bytes")
  math(EXPR failures "${failures} + 1")
endif()

# A file that is not there is a usage error, not a crash.
execute_process(COMMAND ${CHARGEN} ${WORK}/absent.txt ${WORK}/absent.bin
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR NOT err MATCHES "absent.txt: cannot be read")
  message(SEND_ERROR "absent art: status ${status}: ${err}")
  math(EXPR failures "${failures} + 1")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} chargen case(s) failed")
endif()
