# The row walk's benchmark: prints figures, is no test. bench/run_bench.sh
# builds it in Release and sets it beside a plain marker scan and lxml.
find_package(benchmark REQUIRED)

add_executable(row_walk_bench ${CMAKE_SOURCE_DIR}/bench/row_walk_bench.cpp
                              ${CMAKE_SOURCE_DIR}/bench/synthetic_page.cpp)
target_link_libraries(row_walk_bench PRIVATE velmora benchmark::benchmark)
