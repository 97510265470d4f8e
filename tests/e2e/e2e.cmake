# The end-to-end suite: the real, unmodified Velmora.exe started under Wine
# against the demo data site on its built-in address (port 18460), driven with
# real mouse and keyboard input on an X display, and looked at from outside:
# pixels from screenshots, controls through the probe program below.
#
# Included from cmake/windows.cmake. The driver is Python (standard library
# only); ctest runs it directly, so no emulator is put in front of it.

add_executable(e2e_probe ${CMAKE_CURRENT_LIST_DIR}/probe_win.cpp)
target_compile_definitions(e2e_probe PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                             _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_libraries(e2e_probe PRIVATE comctl32 user32 advapi32)
target_link_options(e2e_probe PRIVATE -static -static-libgcc -static-libstdc++)

if(DEBIAN_PYTHON)
    set(e2e_python ${DEBIAN_PYTHON})
else()
    set(e2e_python /usr/bin/python3)
endif()

# One ctest entry per scenario group; each starts Velmora a few times. They all
# need the fixed port 18460 and the display's mouse and keyboard for themselves,
# so they never run beside each other or beside the other Wine tests.
set(e2e_groups lists commands winning version close)
foreach(group IN LISTS e2e_groups)
    add_test(NAME e2e_${group}
             COMMAND ${e2e_python} ${CMAKE_CURRENT_LIST_DIR}/run_e2e.py
                     --group ${group}
                     --velmora $<TARGET_FILE:Velmora>
                     --probe $<TARGET_FILE:e2e_probe>
                     --prefix ${CMAKE_BINARY_DIR}/wineprefix
                     --source ${CMAKE_SOURCE_DIR}
                     --work ${CMAKE_BINARY_DIR}/e2e)
    set_tests_properties(e2e_${group} PROPERTIES
        RESOURCE_LOCK "wine_prefix_drives;demo_site_port_18460;x_display_input"
        TIMEOUT 240
        LABELS e2e)
endforeach()
