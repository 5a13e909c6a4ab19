# Installs a build into a fresh prefix and checks that a desktop finds the
# program there: the executable, its menu entry, its icons at every size, its
# AppStream data, its manual page and the package's copyright.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(program "${PREFIX}/bin/kalvento")
set(entry "${PREFIX}/share/applications/kalvento.desktop")
set(icon "${PREFIX}/share/icons/hicolor/scalable/apps/kalvento.svg")
set(manpage "${PREFIX}/share/man/man1/kalvento.1.gz")
set(copyright "${PREFIX}/share/doc/kalvento/copyright")
set(mime "${PREFIX}/share/mime/packages/kalvento.xml")
file(GLOB metainfo "${PREFIX}/share/metainfo/*.metainfo.xml")
list(LENGTH metainfo metainfo_count)
if(NOT metainfo_count EQUAL 1)
  message(FATAL_ERROR "not one AppStream file in share/metainfo: ${metainfo}")
endif()
foreach(path "${program}" "${entry}" "${icon}" "${manpage}" "${copyright}" "${mime}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(READ "${program}" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "7f454c46")
  message(FATAL_ERROR "not a program: ${program}")
endif()

file(READ "${entry}" desktop)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kalvento" "Exec=kalvento %f" "Icon=kalvento"
             "Categories=Education;Science;Math;"
             "MimeType=text/csv;text/tab-separated-values;text/plain;application/x-kalvento-session;")
  string(FIND "${desktop}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the menu entry lacks ${line}")
  endif()
endforeach()
if(NOT desktop MATCHES "\nComment\\[de\\]=[^\n]*Messwerte")
  message(FATAL_ERROR "the menu entry lacks its German comment")
endif()
foreach(key Comment GenericName Keywords)
  if(NOT desktop MATCHES "\n${key}=[^\n]" OR NOT desktop MATCHES "\n${key}\\[de\\]=[^\n]")
    message(FATAL_ERROR "the menu entry lacks ${key} in English or German")
  endif()
endforeach()

file(READ "${icon}" svg)
if(NOT svg MATCHES "<svg[^>]*xmlns=\"http://www.w3.org/2000/svg\"")
  message(FATAL_ERROR "the icon is no SVG picture")
endif()

# Each icon is a PNG picture of its directory's size (width and height in
# the IHDR chunk, bytes 16 to 23).
foreach(size 16 22 24 32 48 64 128 256)
  set(png "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/kalvento.png")
  if(NOT EXISTS "${png}")
    message(FATAL_ERROR "not installed: ${png}")
  endif()
  file(READ "${png}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 width)
  string(SUBSTRING "${header}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT header MATCHES "^89504e47" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "${png} is no ${size}x${size} PNG picture (${width}x${height})")
  endif()
endforeach()

file(READ "${metainfo}" appstream)
foreach(part "<component type=\"desktop-application\">"
             "<launchable type=\"desktop-id\">kalvento.desktop</launchable>"
             "<release version=\"${VERSION}\" date=\"" "<content_rating type=\"oars-"
             "<name xml:lang=\"de\">" "<summary xml:lang=\"de\">" "<screenshot type=\"default\">"
             "<project_license>" "<metadata_license>CC0-1.0</metadata_license>")
  string(FIND "${appstream}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the AppStream data lacks ${part}")
  endif()
endforeach()

file(READ "${manpage}" magic LIMIT 2 HEX)
if(NOT magic STREQUAL "1f8b")
  message(FATAL_ERROR "the manual page is not compressed: ${manpage}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
