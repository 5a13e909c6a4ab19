# Runs the built program with the arguments that end it before a window: it
# must answer without a display (no DISPLAY, WAYLAND_DISPLAY or
# QT_QPA_PLATFORM), on the right stream, with the right exit code.
#   cmake -DPROGRAM=... -DVERSION=... -P program_arguments.cmake
function(expect_answer exit_code out_regex err_regex)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM "${PROGRAM}" ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 120)
  if(NOT result STREQUAL "${exit_code}")
    message(FATAL_ERROR "kalvento ${ARGN}: exit code ${result}, not ${exit_code}\n${out}${err}")
  endif()
  if(NOT out MATCHES "${out_regex}")
    message(FATAL_ERROR "kalvento ${ARGN}: printed\n${out}\nnot matching ${out_regex}")
  endif()
  if(NOT err MATCHES "${err_regex}")
    message(FATAL_ERROR "kalvento ${ARGN}: reported\n${err}\nnot matching ${err_regex}")
  endif()
endfunction()

string(REPLACE "." "\\." version_regex "${VERSION}")
expect_answer(0 "^Kalvento ${version_regex}\n$" "^$" --version)
expect_answer(0 "^Aufruf: kalvento \\[DATEI\\]\n.*--version" "^$" --help)
expect_answer(0 "^Aufruf: kalvento" "^$" -platform offscreen -h)
expect_answer(2 "^$" "^kalvento: unbekannte Option „--unbekannt“\n" --unbekannt)
expect_answer(2 "^$" "^kalvento: nur eine Datei auf einmal" a.csv b.csv)
expect_answer(2 "^$" "^kalvento: der Option „-platform“ fehlt ihr Wert\n" -platform)
