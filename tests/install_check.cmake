cmake_minimum_required(VERSION 3.25)
# Installs the build into a fresh prefix and checks what a Linux system gets: programs,
# library, header, pkg-config file, desktop entry, icon and man page.
# Run as: cmake -DBINARY_DIR=<build> -DPREFIX=<empty folder> -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BINARY_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

include(GNUInstallDirs)
set(expected
    bin/pixorama bin/pixorama-cli include/pictora.h
    share/applications/pixorama.desktop share/icons/hicolor/scalable/apps/pixorama.svg
    share/man/man1/pixorama-cli.1)
foreach(f ${expected})
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "missing after install: ${f}")
  endif()
endforeach()
file(GLOB_RECURSE libs "${PREFIX}/*/libpictora.so*")
file(GLOB_RECURSE pcs "${PREFIX}/*/pkgconfig/pictora.pc")
if(NOT libs OR NOT pcs)
  message(FATAL_ERROR "libpictora or its pictora.pc is missing")
endif()

# the desktop entry passes the freedesktop rules and offers the readable image types
find_program(VALIDATE desktop-file-validate REQUIRED)
execute_process(COMMAND ${VALIDATE} "${PREFIX}/share/applications/pixorama.desktop"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
file(READ "${PREFIX}/share/applications/pixorama.desktop" desktop)
foreach(type image/bmp image/gif image/x-ilbm image/jpeg image/x-pcx image/x-tga image/tiff
        image/png)
  if(NOT desktop MATCHES "MimeType=[^\n]*${type};")
    message(FATAL_ERROR "the desktop entry does not offer ${type}")
  endif()
endforeach()

# another program finds the library through pkg-config at the install prefix
list(GET pcs 0 pc)
get_filename_component(pcdir "${pc}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} "${pcdir}")
execute_process(COMMAND pkg-config --cflags --libs pictora OUTPUT_VARIABLE flags
                RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REAL_PATH "${PREFIX}/include" include)
if(NOT rc EQUAL 0 OR NOT flags MATCHES "-I([^ ]*)")
  message(FATAL_ERROR "pkg-config pictora: ${flags}")
endif()
file(REAL_PATH "${CMAKE_MATCH_1}" got)
if(NOT got STREQUAL include OR NOT flags MATCHES "-lpictora")
  message(FATAL_ERROR "pkg-config pictora gives ${flags}, not ${include}")
endif()

# the installed command line tool runs with the installed library
execute_process(COMMAND "${PREFIX}/bin/pixorama-cli" --new 3 2 8 --info
                OUTPUT_VARIABLE info RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT info MATCHES "Bild: 3 x 2 x 256")
  message(FATAL_ERROR "installed pixorama-cli: ${rc} ${info}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
