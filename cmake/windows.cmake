# Windows builds. Two runtimes are involved:
# - DuVad.dll and the host tool are built with MinGW-w64's win32 thread model, whose static runtime
#   imports nothing newer than the Windows versions the host runs on (the posix model's threads
#   library imports GetTickCount64, vectored exception handlers and more).
# - The tests and benchmarks need GoogleTest, which needs the posix model's std::mutex.
# The windows preset configures the posix tree; it builds the shipped pair in a win32 sub-build
# (build/windows/shipped) whose outputs land in the same bin folder.
enable_language(RC)

# The language runtime is linked statically: the programs import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS    "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")

if(NOT DEFINED DUVAD_BIN_DIR)
  set(DUVAD_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
endif()

# What DuVad.dll is compiled with, the core it links included: nothing that needs the C++
# runtime (exceptions and their unwind tables, RTTI, guarded statics). The core raises no
# exceptions and uses no heap, so the host tool links the same core objects.
set(DUVAD_NO_RUNTIME -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables)
# ... and for the oldest processor Windows 95 runs on (the compiler's default, the Pentium Pro,
# brings CMOV, which a 486 or a first Pentium faults on).
list(APPEND DUVAD_NO_RUNTIME -march=i386 -mtune=generic)

include(cmake/core_libraries.cmake)

if(DUVAD_THREADS STREQUAL "win32")
  target_compile_options(duvad_core PRIVATE ${DUVAD_NO_RUNTIME})
  # The host tool runs on a Pentium (Windows 2000's and most 95/98 machines' floor): compiled for
  # it, without exceptions (it catches none) or RTTI, and it links no prebuilt runtime, which is
  # compiled for the Pentium Pro (host/runtime/: start-up, heap, libstdc++'s templates, printf).
  set(DUVAD_HOST_FLAGS -march=i586 -mtune=generic -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
      -include ${CMAKE_SOURCE_DIR}/host/runtime/own_runtime.h)
  target_compile_options(duvad_host_core PRIVATE ${DUVAD_HOST_FLAGS})
  # The version blocks' copyright and company: LICENSE's copyright line and its holder.
  file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE DUVAD_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
  string(REGEX REPLACE "^Copyright (\\([cC]\\) )?([0-9, -]+ )?" "" DUVAD_COMPANY "${DUVAD_COPYRIGHT}")
  if(NOT DUVAD_COPYRIGHT OR NOT DUVAD_COMPANY)
    message(FATAL_ERROR "LICENSE has no copyright line")
  endif()
  configure_file(resources/version.h.in ${CMAKE_BINARY_DIR}/generated/duvad_version.h @ONLY)

  add_library(DuVad SHARED ${DUVAD_WIN_SOURCES} frame/DuVad.def resources/DuVad.rc)
  set_target_properties(DuVad PROPERTIES PREFIX "" OUTPUT_NAME "DuVad"
                        RUNTIME_OUTPUT_DIRECTORY ${DUVAD_BIN_DIR})
  target_include_directories(DuVad PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include
                             ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
  target_compile_definitions(DuVad PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_compile_options(DuVad PRIVATE ${DUVAD_WARNINGS} ${DUVAD_NO_RUNTIME})
  # frame/runtime.cpp is the memory and string routines the compiler calls: it must not have its
  # own loops turned back into calls of themselves.
  set_source_files_properties(frame/runtime.cpp PROPERTIES COMPILE_OPTIONS "-fno-tree-loop-distribute-patterns;-fno-builtin")
  # The .def names every export with its argument bytes (Name@N): --kill-at strips the suffix, so
  # a count that differs from the definition fails the link instead of corrupting the caller's stack.
  # No C runtime: no start files (the loader calls DllMain itself, the exact stdcall entry), no
  # default libraries; libgcc only for 64-bit division and stack probes (static, it imports
  # nothing). So the DLL has no TLS directory and imports only the system DLLs named here
  # (tools/allowed_imports.txt says which functions of them, and tools/pe_check.py holds it to that).
  target_link_options(DuVad PRIVATE -Wl,--kill-at -nostdlib -nostartfiles -Wl,--entry,_DllMain@12)
  target_link_libraries(DuVad PRIVATE duvad_core kernel32 user32 advapi32 shell32 comdlg32 gdi32 winmm version gcc)
  # Refused at once if an instruction newer than the 80386 got in (tools/cpu_check.py).
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(TARGET DuVad POST_BUILD
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/cpu_check.py $<TARGET_FILE:DuVad> VERBATIM)

  add_subdirectory(host)
  return()
endif()

include(ExternalProject)
ExternalProject_Add(duvad_shipped
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
  CMAKE_GENERATOR ${CMAKE_GENERATOR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE} -DDUVAD_THREADS=win32
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DDUVAD_BIN_DIR=${DUVAD_BIN_DIR}
             -DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
             -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
# The names the rest of the build (and scripts/main.sh) asks for.
add_custom_target(DuVad ALL DEPENDS duvad_shipped)
add_custom_target(duvad ALL DEPENDS duvad_shipped)

add_subdirectory(host)
add_subdirectory(tests/win)
# The reference page that the release archive carries (scripts/package.sh).
include(cmake/reference.cmake)
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/win/CMakeLists.txt)
  add_subdirectory(bench/win)
endif()
