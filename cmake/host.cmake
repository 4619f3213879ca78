# Native Linux build of the portable code, under AddressSanitizer and
# UndefinedBehaviorSanitizer; fuzz targets when the compiler is clang.
set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_compile_options(grinsel_core PRIVATE ${SANITIZE} -Wall -Wextra)
target_link_options(grinsel_core PUBLIC ${SANITIZE})

add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# the shipped joke files are checked here, where their folder is at hand
add_executable(host_tests ${UNIT_TESTS} tests/unit/ShippedJokesTest.cpp)
target_compile_definitions(host_tests PRIVATE GRINSEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_compile_options(host_tests PRIVATE ${SANITIZE})
target_link_libraries(host_tests grinsel_core gtest_main)
gtest_discover_tests(host_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "host.")

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    # the fuzzers get their own instrumented copy of the portable code
    set(FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1)
    set(CORE_SOURCES jokes/JokeFile.cpp jokes/Random.cpp app/SettingsText.cpp)
    foreach(target fuzz_jokefile fuzz_settings)
        add_executable(${target} tests/fuzz/${target}.cpp ${CORE_SOURCES})
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
        target_compile_options(${target} PRIVATE ${FUZZ_FLAGS})
        target_link_options(${target} PRIVATE ${FUZZ_FLAGS})
        add_test(NAME fuzz.${target}
            COMMAND ${target} -max_total_time=30 -print_final_stats=1
                    -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz-artifacts/
                    ${CMAKE_BINARY_DIR}/fuzz-corpus/${target}
                    ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${target})
        file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus/${target} ${CMAKE_BINARY_DIR}/fuzz-artifacts)
    endforeach()
endif()

# its own copy of the reader without the sanitizers; the floor alike
add_executable(jokebench tests/bench/jokebench.cpp tests/bench/FloorRead.cpp jokes/JokeFile.cpp jokes/Random.cpp)
target_include_directories(jokebench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(jokebench PRIVATE -O2)
