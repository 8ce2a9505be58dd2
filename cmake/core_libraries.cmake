# The platform-free core (duvad_core) and the host tool's core over it (duvad_host_core), one
# definition for every build; included after the build's own compile options are set.
add_library(duvad_core STATIC ${DUVAD_CORE_SOURCES})
target_include_directories(duvad_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(duvad_core PRIVATE ${DUVAD_WARNINGS})
add_library(duvad_host_core STATIC ${DUVAD_HOST_CORE_SOURCES})
target_link_libraries(duvad_host_core PUBLIC duvad_core)
target_compile_options(duvad_host_core PRIVATE ${DUVAD_WARNINGS})
