# The Windows build: the core on the Win32 platform layer. Included from the top-level CMakeLists.txt
# when the target system is Windows.

file(GLOB QUORVANE_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
add_library(quorvane_win32 STATIC ${QUORVANE_WIN32_SOURCES})
target_link_libraries(quorvane_win32 PUBLIC quorvane_platform wininet iphlpapi shell32 advapi32)
target_compile_options(quorvane_win32 PRIVATE ${QUORVANE_WARNINGS})
# ANSI calls throughout (the program's files and texts are single-byte); no min/max macros.
target_compile_definitions(quorvane_win32 PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# A tiny `--version` entry that links all of the core and the platform, so that their size can be
# measured apart from the front end (bench/win32_size.sh).
add_executable(quorvane_core_probe bench/win32_probe.cpp)
target_link_libraries(quorvane_core_probe PRIVATE quorvane_win32)
target_link_libraries(quorvane_core_probe PRIVATE quorvane_app)
target_link_options(quorvane_core_probe PRIVATE -Wl,--whole-archive $<TARGET_FILE:quorvane_core>
  $<TARGET_FILE:quorvane_app> $<TARGET_FILE:quorvane_win32> -Wl,--no-whole-archive)
target_compile_options(quorvane_core_probe PRIVATE ${QUORVANE_WARNINGS})

# The desktop program: window, tray icon and splash on Win32 around the shared Session, with its
# icon, version record and manifest (Common Controls 6, DPI-aware) compiled in.
enable_language(RC)
file(GLOB QUORVANE_WIN32_UI_SOURCES CONFIGURE_DEPENDS src/frontends/win32/*.cpp)
list(FILTER QUORVANE_WIN32_UI_SOURCES EXCLUDE REGEX "/main\\.cpp$")
add_library(quorvane_win32_ui STATIC ${QUORVANE_WIN32_UI_SOURCES})
target_link_libraries(quorvane_win32_ui PUBLIC quorvane_app quorvane_win32 comctl32 ole32 oleaut32 uuid gdi32)
target_compile_options(quorvane_win32_ui PRIVATE ${QUORVANE_WARNINGS})
target_compile_definitions(quorvane_win32_ui PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_executable(quorvane WIN32 src/frontends/win32/main.cpp src/frontends/win32/quorvane.rc)
target_link_libraries(quorvane PRIVATE quorvane_win32_ui)
target_compile_options(quorvane PRIVATE ${QUORVANE_WARNINGS})
# The resource compiler tracks headers only: a changed icon or manifest must rebuild the resources.
set_source_files_properties(src/frontends/win32/quorvane.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/data/quorvane.ico;${CMAKE_SOURCE_DIR}/src/frontends/win32/quorvane.manifest")

if(BUILD_TESTING)
  enable_testing()
  add_subdirectory(tests)
endif()
