# The platform-free core, built with the host compiler: unit tests, fuzzers, benchmarks.
option(DUVAD_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(DUVAD_FUZZ "Build the libFuzzer targets (clang)" OFF)
option(DUVAD_BENCH "Build the Google Benchmark programs" OFF)

if(DUVAD_SANITIZE OR DUVAD_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

include(cmake/core_libraries.cmake)

if(DUVAD_FUZZ)
  # The libraries the targets exercise carry libFuzzer's coverage instrumentation too (without its
  # main): otherwise only the harness files give coverage and the fuzzer runs blind.
  foreach(lib duvad_core duvad_host_core)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
  endforeach()
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(src ${fuzzers})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE duvad_host_core)
  endforeach()
elseif(DUVAD_BENCH)
  find_package(benchmark REQUIRED)
  file(GLOB benches CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/native/*.cpp)
  if(benches)
    add_executable(duvad_bench ${benches})
    target_link_libraries(duvad_bench PRIVATE duvad_host_core benchmark::benchmark_main)
  endif()
else()
  find_package(GTest REQUIRED)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
  # Every core header compiles on its own with the host compiler, also one no test includes: one
  # translation unit a header, made at configure time.
  file(GLOB core_headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/*/core/*.h)
  set(core_header_units "")
  foreach(header ${core_headers})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${header})
    string(MAKE_C_IDENTIFIER ${relative} unit)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/core_headers/${unit}.cpp CONTENT "#include \"${relative}\"\n")
    list(APPEND core_header_units ${CMAKE_BINARY_DIR}/core_headers/${unit}.cpp)
  endforeach()
  add_executable(duvad_native_tests ${tests} ${core_header_units})
  target_include_directories(duvad_native_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/native)
  target_compile_options(duvad_native_tests PRIVATE ${DUVAD_WARNINGS})
  target_compile_definitions(duvad_native_tests PRIVATE
    DUVAD_SOURCE_DIR="${CMAKE_SOURCE_DIR}" DUVAD_BINARY_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(duvad_native_tests PRIVATE duvad_host_core GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(duvad_native_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60)

  # The exports' declarations agree (DuVad.def, DuVad.h, DuVad.bas), and the tools that check them
  # and make the type library do their work (tools/exports.py, tools/msft_entries.py).
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME Exports.DeclarationsAgree
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/exports.py check ${CMAKE_SOURCE_DIR})
  add_test(NAME Exports.Tools COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/exports_test.py)
  # DuVad.h as Visual C++ 6 to 2008 (no <stdint.h>) and MinGW take it, as C89 and C++98.
  add_test(NAME Exports.HeaderForOldCompilers COMMAND bash ${CMAKE_SOURCE_DIR}/tests/header/check_header.sh)

  # The reference page: every export's part and example (each call as its Declare takes it), the
  # page's HTML, and the page as headless Chromium lays it out and paints it (its two photographs
  # are kept beside the page: reference/contents.png, reference/GetWinTempPath.png).
  include(cmake/reference.cmake)
  add_test(NAME Reference.Examples
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/reference.py check ${CMAKE_SOURCE_DIR})
  add_test(NAME Reference.Tools COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/reference_test.py)
  add_test(NAME Reference.Renders COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tests/reference/render_test.py
    ${DUVAD_REFERENCE} ${CMAKE_BINARY_DIR}/reference)

  # Every C and C++ file of the tree as .clang-format says (exit 77: no clang-format or git).
  add_test(NAME Style.ClangFormat COMMAND sh -c
    "command -v clang-format >/dev/null && command -v git >/dev/null || exit 77; git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror"
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(Style.ClangFormat PROPERTIES SKIP_RETURN_CODE 77)
endif()
