# Linux: the platform-free core with its tests, under ASan and UBSan.
if(VELMORA_SANITIZE)
    set(sanitize -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_compile_options(velmora PUBLIC ${sanitize})
    target_link_options(velmora PUBLIC ${sanitize})
endif()

file(GLOB core_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*.cpp)
add_executable(core_tests ${core_test_sources})
target_link_libraries(core_tests PRIVATE velmora GTest::gtest_main)
add_test(NAME core_tests COMMAND core_tests)

find_program(DEBIAN_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(EXISTS ${CMAKE_SOURCE_DIR}/demo/test_server.py)
    add_test(NAME demo_site COMMAND ${DEBIAN_PYTHON} ${CMAKE_SOURCE_DIR}/demo/test_server.py)
endif()

# Benchmarks (print figures; not tests).
include(${CMAKE_SOURCE_DIR}/bench/bench.cmake OPTIONAL)
