# Runs the built program with the arguments that end it before a window: it
# must answer without a display (no DISPLAY, WAYLAND_DISPLAY or
# QT_QPA_PLATFORM), on the right stream, with the right exit code.
# "--fit" fits files there too.
#   cmake -DPROGRAM=... -DVERSION=... -DWORK_DIR=... -P program_arguments.cmake
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

# "--fit": files fitted without a display; a file that cannot be fitted is
# named and the others still printed; a wrong call is refused before any.
file(MAKE_DIRECTORY "${WORK_DIR}")
set(pairs "t;U\n")
foreach(i RANGE 0 59)
  math(EXPR tenths "${i} % 10")
  math(EXPR whole "${i} / 10")
  math(EXPR y "(${i} * 37) % 11")
  string(APPEND pairs "${whole},${tenths};${y}\n")
endforeach()
file(WRITE "${WORK_DIR}/a.csv" "${pairs}")
file(WRITE "${WORK_DIR}/b.csv" "${pairs}")
file(WRITE "${WORK_DIR}/leer.csv" "")
set(a "${WORK_DIR}/a.csv")
set(b "${WORK_DIR}/b.csv")
expect_answer(0 "^Datei;Summe der Fehlerquadrate;a;b;[^\n]*\n[^\n]*a\\.csv;[0-9][^\n]*\n[^\n]*b\\.csv;"
              "^$" --fit "${a}" "${b}")
expect_answer(0 "^{\"file\":\"[^\n]*a\\.csv\",\"pairs\":60,[^\n]*}\n$" "^$"
              --fit --json --jobs 2 --zielfunktion gedaempft "${a}")
expect_answer(1 "^Datei;[^\n]*\n[^\n]*a\\.csv;[^\n]*\n$"
              "^kalvento: [^\n]*fehlt\\.csv: Die Datei „fehlt\\.csv“ gibt es nicht\\.\n$"
              --fit "${a}" "${WORK_DIR}/fehlt.csv")
expect_answer(1 "^$" "leer\\.csv: Aus der Datei „leer\\.csv“ konnten keine Wertepaare gelesen werden"
              --fit "${WORK_DIR}/leer.csv")
expect_answer(0 "^Aufruf: kalvento --fit \\[OPTIONEN\\] DATEI" "^$" --fit --help)
expect_answer(2 "^$" "^kalvento: keine DATEI" --fit)
expect_answer(2 "^$" "^kalvento: .*--jobs" --fit --jobs 0 "${a}")
expect_answer(2 "^$" "^kalvento: .*--fest" --fit --fest x=1 "${a}")
expect_answer(2 "^$" "^kalvento: .*--spalten" --fit --spalten 1 "${a}")
expect_answer(2 "^$" "^kalvento: unbekannte Option „--unbekannt“" --fit --unbekannt "${a}")
expect_answer(2 "^$" "^kalvento: der Term „zwei“ von „--max-b“" --fit --max-b zwei "${a}")
expect_answer(2 "^$" "^kalvento: der Term „SIN\\(“ von „--fest“" --fit --fest "c=SIN(" "${a}")
expect_answer(0 "^Datei;" "^$" --fit --max-b 2*PI --fest c=PI/4 "${a}")
