# Installs a build into a fresh prefix and checks that a desktop finds the
# program there: the executable, its menu entry and its icon.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(program "${PREFIX}/bin/kalvento")
set(entry "${PREFIX}/share/applications/kalvento.desktop")
set(icon "${PREFIX}/share/icons/hicolor/scalable/apps/kalvento.svg")
foreach(path "${program}" "${entry}" "${icon}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ "${program}" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "7f454c46")
  message(FATAL_ERROR "not a program: ${program}")
endif()

file(READ "${entry}" desktop)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kalvento" "Exec=kalvento" "Icon=kalvento"
             "Categories=Education;Science;Math;")
  string(FIND "${desktop}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the menu entry lacks ${line}")
  endif()
endforeach()
if(NOT desktop MATCHES "\nComment=[^\n]*Messwerte")
  message(FATAL_ERROR "the menu entry lacks its German comment")
endif()

file(READ "${icon}" svg)
if(NOT svg MATCHES "<svg[^>]*xmlns=\"http://www.w3.org/2000/svg\"")
  message(FATAL_ERROR "the icon is no SVG picture")
endif()
file(REMOVE_RECURSE "${PREFIX}")
