# update.exe: the updater that Velmora carries inside itself as resource
# IDR_UPDATER, written to ${CMAKE_BINARY_DIR}/updater/update.exe so that
# resources/app.rc can take it in by name. Needs pictures_dir and the pictures
# target of windows.cmake.
set(VELMORA_UPDATER_DIR ${CMAKE_BINARY_DIR}/updater)
set(VELMORA_UPDATER_EXE ${VELMORA_UPDATER_DIR}/update.exe)

set(updater_portable_sources ${CMAKE_SOURCE_DIR}/updater/plan.cpp)
set(updater_rc ${CMAKE_SOURCE_DIR}/updater/updater.rc)
set_source_files_properties(${updater_rc} PROPERTIES OBJECT_DEPENDS
    "${pictures_dir}/app.ico;${CMAKE_SOURCE_DIR}/updater/update.manifest;${CMAKE_SOURCE_DIR}/resources/resource.h")

add_executable(velmora_updater WIN32
    ${CMAKE_SOURCE_DIR}/updater/main_win.cpp
    ${CMAKE_SOURCE_DIR}/updater/install_win.cpp
    ${updater_portable_sources}
    ${updater_rc})
set_target_properties(velmora_updater PROPERTIES
    OUTPUT_NAME update
    RUNTIME_OUTPUT_DIRECTORY ${VELMORA_UPDATER_DIR})
target_include_directories(velmora_updater PRIVATE
    ${pictures_dir} ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR}/updater)
target_link_libraries(velmora_updater PRIVATE velmora)
# Stripped: every byte of it is carried inside Velmora.exe.
target_link_options(velmora_updater PRIVATE -municode -mwindows -s)
add_dependencies(velmora_updater pictures)

# The updater's test program (tests/win/updater_test.cpp) starts the built
# update.exe and also checks the platform-free rules directly. It is defined
# after this file, so it is given these at the end of the configuration.
function(velmora_updater_test_setup)
    if(TARGET updater_test)
        target_sources(updater_test PRIVATE ${updater_portable_sources})
        target_compile_definitions(updater_test PRIVATE
            VELMORA_UPDATER_EXE="${VELMORA_UPDATER_EXE}")
        add_dependencies(updater_test velmora_updater)
    endif()
endfunction()
cmake_language(DEFER CALL velmora_updater_test_setup)
