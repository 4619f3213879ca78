# Cross build of grinsel.exe and of the unit tests, which ctest runs under
# 32-bit Wine in a prefix of this build tree (never the user's own).
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(WINE_ENV WINEPREFIX=${WINE_PREFIX} WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${WINE_ENV} wine)

set(WIN_FLAGS -Os -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections
    -Wall -Wextra -Wno-cast-function-type)
target_compile_options(grinsel_core PRIVATE ${WIN_FLAGS})

add_library(grinsel_win STATIC
    app/SystemLibrary.cpp
    app/TrayApp.cpp
    app/Settings.cpp
    ui/BubbleAccessible.cpp
    ui/JokeBubble.cpp
    ui/Tray.cpp
    ui/Commands.cpp
    ui/SettingsDlg.cpp
    ui/AboutDlg.cpp
    ui/Autostart.cpp
    ui/FullScreen.cpp)
target_compile_options(grinsel_win PRIVATE ${WIN_FLAGS})
# uuid holds the interface identifiers only: no library to load
target_link_libraries(grinsel_win PUBLIC grinsel_core advapi32 gdi32 user32 uuid)

set_source_files_properties(res/grinsel.rc PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/active.ico;${CMAKE_SOURCE_DIR}/res/grinsel.manifest;${CMAKE_SOURCE_DIR}/res/stopped.ico;${CMAKE_SOURCE_DIR}/res/resource.h")

add_executable(grinsel WIN32 app/main.cpp app/Runtime.cpp res/grinsel.rc)
target_include_directories(grinsel PRIVATE ${CMAKE_SOURCE_DIR}/res)
target_compile_options(grinsel PRIVATE ${WIN_FLAGS})
target_link_libraries(grinsel grinsel_win)
target_link_options(grinsel PRIVATE -static -s -Wl,--gc-sections)

# unit tests: the portable ones again, plus the Win32 ones, with the real
# resources linked in
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
file(GLOB WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(win_tests ${UNIT_TESTS} ${WIN_TESTS} res/grinsel.rc)
target_include_directories(win_tests PRIVATE ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(win_tests grinsel_win oleacc ole32 oleaut32 gtest_main)
target_link_options(win_tests PRIVATE -static)
gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "wine."
    DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120)

# end-to-end: the real grinsel.exe in a Wine desktop, driven from outside
add_executable(grdriver tests/e2e/driver.cpp)
target_compile_options(grdriver PRIVATE -Wall -Wextra)
target_link_libraries(grdriver oleacc ole32 oleaut32 uuid shell32 user32 gdi32 msi)
target_link_options(grdriver PRIVATE -static)

file(GLOB E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.sh)
# each end-to-end test gets its own X display, counted from this base
set(E2E_DISPLAY_BASE 80 CACHE STRING "first X display number of the end-to-end tests")
set(E2E_DISPLAY ${E2E_DISPLAY_BASE})
foreach(script ${E2E_SCRIPTS})
    get_filename_component(name ${script} NAME_WE)
    string(REGEX REPLACE "^test_" "" name ${name})
    math(EXPR E2E_DISPLAY "${E2E_DISPLAY} + 1")
    add_test(NAME e2e.${name} COMMAND bash ${script})
    set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 600
        ENVIRONMENT "GRINSEL_EXE=$<TARGET_FILE:grinsel>;GRDRIVER_EXE=$<TARGET_FILE:grdriver>;WIN_TESTS_EXE=$<TARGET_FILE:win_tests>;E2E_PREFIX_TEMPLATE=${WINE_PREFIX};E2E_DISPLAY=${E2E_DISPLAY};E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/artifacts;SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endforeach()

# benchmarks, run on demand by tests/bench/run.sh
add_executable(minwin WIN32 tests/bench/minwin.cpp)
target_compile_options(minwin PRIVATE ${WIN_FLAGS})
target_link_options(minwin PRIVATE -static -s -Wl,--gc-sections)
add_executable(startbench tests/bench/startbench.cpp)
target_link_options(startbench PRIVATE -static)
# the reader measured is the one grinsel.exe links; its floor gets the
# same flags
add_library(jokefloor STATIC tests/bench/FloorRead.cpp)
target_include_directories(jokefloor PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(jokefloor PRIVATE ${WIN_FLAGS})
add_executable(jokebench tests/bench/jokebench.cpp)
target_compile_options(jokebench PRIVATE -O2)
target_link_libraries(jokebench grinsel_core jokefloor)
target_link_options(jokebench PRIVATE -static)

# --- the shipped program file: hardened, versioned, the same bytes every time

# One version number for everything: the version resource here, the package
# and the file names of the release through version.txt.
set(GRINSEL_VERSION_NUMBERS)
foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
        list(APPEND GRINSEL_VERSION_NUMBERS 0)
    else()
        list(APPEND GRINSEL_VERSION_NUMBERS ${PROJECT_VERSION_${part}})
    endif()
endforeach()
string(REPLACE ";" "," GRINSEL_VERSION_NUMBERS "${GRINSEL_VERSION_NUMBERS}")
set_property(SOURCE res/grinsel.rc APPEND PROPERTY COMPILE_DEFINITIONS
    GRINSEL_VERSION_NUMBERS=${GRINSEL_VERSION_NUMBERS} GRINSEL_VERSION=${PROJECT_VERSION})
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")

# Stack protection where untrusted files are read, and everywhere else too
# (linked statically: no runtime DLL to ship or to plant); no source or build
# path in the code, should one get in (__FILE__); ASLR, DEP and
# terminal-server awareness said explicitly, so that a toolchain change cannot
# drop them; no time stamp in the PE header.
foreach(target grinsel_core grinsel_win grinsel)
    target_compile_options(${target} PRIVATE -fstack-protector-strong
        -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
endforeach()
target_link_libraries(grinsel_core PUBLIC ssp)
target_link_options(grinsel PRIVATE -Wl,--dynamicbase,--nxcompat,--tsaware -Wl,--no-insert-timestamp)

# Tests only: the same program without the library rule at the start of
# WinMain, so that the planting scenario can show what the rule prevents;
# and a library to plant next to it.
get_target_property(sources grinsel SOURCES)
add_executable(grinsel_unguarded WIN32 ${sources})
foreach(property INCLUDE_DIRECTORIES COMPILE_OPTIONS LINK_LIBRARIES LINK_OPTIONS)
    get_target_property(value grinsel ${property})
    set_target_properties(grinsel_unguarded PROPERTIES ${property} "${value}")
endforeach()
target_compile_definitions(grinsel_unguarded PRIVATE GRINSEL_TEST_WITHOUT_LIBRARY_RULE)
add_library(planted SHARED tests/e2e/planted.cpp)
set_target_properties(planted PROPERTIES PREFIX "")
target_link_options(planted PRIVATE -static -s)
set_property(TEST e2e.planting APPEND PROPERTY ENVIRONMENT
    "GRINSEL_UNGUARDED_EXE=$<TARGET_FILE:grinsel_unguarded>;PLANTED_DLL=$<TARGET_FILE:planted>")

# what an administrator checks first about the program file, and the same
# bytes from the same sources (run by test.sh, no Wine needed)
add_test(NAME release.pe_file COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/release/check_pe.py
    $<TARGET_FILE:grinsel> ${CMAKE_BINARY_DIR}/version.txt)
add_test(NAME release.reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/reproducible.sh
    ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/reproducible)
set_tests_properties(release.reproducible PROPERTIES TIMEOUT 900)
