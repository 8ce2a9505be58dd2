# DuVad.dll, the host tool and the integration tests that run under Wine.
enable_language(RC)

# The language runtime is linked statically: the DLL imports system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS    "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")

add_library(duvad_core STATIC ${DUVAD_CORE_SOURCES})
target_include_directories(duvad_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(duvad_core PRIVATE ${DUVAD_WARNINGS})

configure_file(resources/version.h.in ${CMAKE_BINARY_DIR}/generated/duvad_version.h @ONLY)

add_library(DuVad SHARED ${DUVAD_WIN_SOURCES} frame/DuVad.def resources/DuVad.rc)
set_target_properties(DuVad PROPERTIES PREFIX "" OUTPUT_NAME "DuVad"
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_include_directories(DuVad PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include
                           ${CMAKE_SOURCE_DIR}/resources ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(DuVad PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(DuVad PRIVATE ${DUVAD_WARNINGS})
# The .def names every export with its argument bytes (Name@N): --kill-at strips the suffix, so a
# count that differs from the definition fails the link instead of corrupting the caller's stack.
target_link_options(DuVad PRIVATE -Wl,--kill-at)
target_link_libraries(DuVad PRIVATE duvad_core kernel32 user32 advapi32 shell32 comdlg32 gdi32 winmm version)

add_subdirectory(tools)
add_subdirectory(tests/win)
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/win/CMakeLists.txt)
  add_subdirectory(bench/win)
endif()
