# Windows: Velmora.exe, one self-contained file, and the test programs, which
# ctest runs under Wine through scripts/wine-run.
set(win_libs comctl32 ole32 oleaut32 uuid shell32 shlwapi gdi32 user32 advapi32 comdlg32)
target_link_libraries(velmora PUBLIC ${win_libs})
target_compile_definitions(velmora PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                          _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_options(velmora PUBLIC -static -static-libgcc -static-libstdc++)

set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${CMAKE_BINARY_DIR}/wineprefix --)

# The pictures are drawn by a script at build time.
find_program(DEBIAN_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(pictures_dir ${CMAKE_BINARY_DIR}/pictures)
set(pictures ${pictures_dir}/app.ico ${pictures_dir}/page.ico ${pictures_dir}/note_blue.ico
             ${pictures_dir}/note_yellow.ico ${pictures_dir}/blank.ico)
add_custom_command(OUTPUT ${pictures}
    COMMAND ${DEBIAN_PYTHON} ${CMAKE_SOURCE_DIR}/resources/draw_pictures.py ${pictures_dir}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/draw_pictures.py
    COMMENT "Drawing the program's pictures")
add_custom_target(pictures DEPENDS ${pictures})

# The updater, update.exe, whose bytes app.rc takes in (VELMORA_UPDATER_DIR, _EXE).
include(${CMAKE_SOURCE_DIR}/cmake/updater.cmake)

set(app_rc ${CMAKE_SOURCE_DIR}/resources/app.rc)
set_source_files_properties(${app_rc} PROPERTIES OBJECT_DEPENDS
    "${pictures};${CMAKE_SOURCE_DIR}/resources/app.manifest;${CMAKE_SOURCE_DIR}/resources/resource.h;${VELMORA_UPDATER_EXE}")

add_executable(Velmora WIN32 ${CMAKE_SOURCE_DIR}/app/main_win.cpp ${app_rc})
target_include_directories(Velmora PRIVATE ${pictures_dir} ${CMAKE_SOURCE_DIR}/resources
                                           ${VELMORA_UPDATER_DIR})
target_link_libraries(Velmora PRIVATE velmora)
target_link_options(Velmora PRIVATE -municode -mwindows)
add_dependencies(Velmora pictures velmora_updater)

# The same resources for the test programs that open real windows.
add_library(velmora_resources OBJECT ${app_rc})
target_include_directories(velmora_resources PRIVATE ${pictures_dir} ${CMAKE_SOURCE_DIR}/resources
                                                     ${VELMORA_UPDATER_DIR})
add_dependencies(velmora_resources pictures velmora_updater)

file(GLOB core_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
add_executable(core_tests ${core_test_sources})
target_link_libraries(core_tests PRIVATE velmora GTest::gtest_main)
add_test(NAME core_tests_wine COMMAND core_tests)

file(GLOB win_support_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/support/*.cpp)
add_library(win_test_support STATIC ${win_support_sources})
target_include_directories(win_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/win)
target_link_libraries(win_test_support PUBLIC velmora GTest::gtest ws2_32)
target_compile_definitions(win_test_support PUBLIC VELMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# One test program per file, one ctest entry per program (a Wine start costs seconds).
file(GLOB win_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
foreach(source IN LISTS win_test_sources)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source} $<TARGET_OBJECTS:velmora_resources>)
    target_link_libraries(${name} PRIVATE win_test_support GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_prefix_drives)
endforeach()

# Further runs of some programs in other surroundings (drive D: mapped, another locale).
include(${CMAKE_SOURCE_DIR}/tests/win/surroundings.cmake OPTIONAL)

# Benchmark under Wine (prints figures; not a test): filling rows from a job.
add_executable(fill_rows_bench ${CMAKE_SOURCE_DIR}/bench/fill_rows_win.cpp $<TARGET_OBJECTS:velmora_resources>)
target_link_libraries(fill_rows_bench PRIVATE velmora)
# Handles, window-system objects and memory over long use (prints figures; not a test).
add_executable(long_use_bench ${CMAKE_SOURCE_DIR}/bench/long_use_win.cpp $<TARGET_OBJECTS:velmora_resources>)
target_link_libraries(long_use_bench PRIVATE velmora)

# The end-to-end suite: the real Velmora.exe driven from outside as a user would.
include(${CMAKE_SOURCE_DIR}/tests/e2e/e2e.cmake OPTIONAL)
