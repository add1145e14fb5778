# Writes the manual page dravik.1 from the program's own --help and --version, so the page never
# drifts from the options. Run with -DPROGRAM=<dravik> -DOUTPUT=<dravik.1>.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --help
                OUTPUT_VARIABLE help RESULT_VARIABLE help_rc ERROR_QUIET)
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PROGRAM} --version
                OUTPUT_VARIABLE version RESULT_VARIABLE version_rc ERROR_QUIET)
if(NOT help_rc EQUAL 0 OR NOT version_rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help or --version failed")
endif()
string(STRIP "${version}" version)
string(REPLACE "Dravik " "" number "${version}")

# roff treats a leading dot or quote and every backslash specially.
function(roff_escape text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

string(REPLACE "\n" ";" lines "${help}")
set(description "")
set(options "")
set(section "")
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage:")
    set(section usage)
  elseif(line MATCHES "^Options:")
    set(section options)
  elseif(section STREQUAL "usage" AND NOT line STREQUAL "")
    roff_escape("${line}" line)
    string(APPEND description "${line}\n")
  elseif(section STREQUAL "options" AND line MATCHES "^  (-[^ ].*[^ ])  +(.*)$")
    roff_escape("${CMAKE_MATCH_1}" flag)
    roff_escape("${CMAKE_MATCH_2}" text)
    string(APPEND options ".TP\n.B ${flag}\n${text}\n")
  elseif(section STREQUAL "options" AND line MATCHES "^ +(.*)$")
    roff_escape("${CMAKE_MATCH_1}" text)
    string(APPEND options "${text}\n")
  endif()
endforeach()

file(WRITE ${OUTPUT} ".TH DRAVIK 1 \"\" \"Dravik ${number}\" \"User Commands\"
.SH NAME
dravik \\- vehicle\\-electronics programming tool
.SH SYNOPSIS
.B dravik
[\\fIoptions\\fR]
.SH DESCRIPTION
${description}.PP
Without options the program opens its window on the USB adapter (vendor 0x2047, product 0x0301;
0x0200 in its bootstrap loader).
.SH OPTIONS
${options}.SH FILES
.TP
.I VuzUvazuzuvar.db
The product database: looked for in the folder the program is started in, then in
.IR /usr/share/dravik .
.TP
.I /usr/share/dravik/benches, /usr/share/dravik/scripts
Simulated benches and the demo script used by \\-\\-simulate and \\-\\-demo.
.TP
.I /usr/share/doc/dravik
The user documentation: scripted runs (scripting.md), session recordings (recording.md), the
simulated benches (bench.md) and the vehicle report (report.md).
.TP
.I ~/Tov_Dravik
The main data folder: protocols, settings file CfgDravik.txt, and Developer.txt, whose presence
selects the developer layout. DRAVIK_DATA_DIR overrides its place.
.TP
.I /usr/lib/udev/rules.d/70\\-dravik.rules
Lets the logged\\-in user open the adapter without root.
.SH EXIT STATUS
0 when the window is closed or a script ran through, 1 on a failed script expectation, 2 on a
command\\-line or script error (or a recording that cannot be replayed), 3 when a replay meets a request
other than the recorded one, 255 when the product database cannot be found, opened or read.
")
