# The Windows build: the core on the Win32 platform layer. Included from the top-level CMakeLists.txt
# when the target system is Windows.

file(GLOB QUORVANE_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(quorvane_win32 STATIC ${QUORVANE_WIN32_SOURCES})
target_link_libraries(quorvane_win32 PUBLIC quorvane_core wininet iphlpapi shell32)
target_compile_options(quorvane_win32 PRIVATE ${QUORVANE_WARNINGS})
# ANSI calls throughout (the program's files and texts are single-byte); no min/max macros.
target_compile_definitions(quorvane_win32 PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# A tiny `--version` entry that links all of the core and the platform, so that their size can be
# measured (bench/win32_size.sh) before the Windows front end exists.
add_executable(quorvane_core_probe bench/win32_probe.cpp)
target_link_libraries(quorvane_core_probe PRIVATE quorvane_win32)
target_link_options(quorvane_core_probe PRIVATE -Wl,--whole-archive $<TARGET_FILE:quorvane_core>
  $<TARGET_FILE:quorvane_win32> -Wl,--no-whole-archive)
target_compile_options(quorvane_core_probe PRIVATE ${QUORVANE_WARNINGS})

if(BUILD_TESTING)
  enable_testing()
  add_subdirectory(tests)
endif()
