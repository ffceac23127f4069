# Tests of the element queries: points at a distance, projection, offsets, intersections, moves
# and monitoring.
foreach(test queries_test queries_moves_test)
  add_kestrel_test(${test} SOURCES ${test}.cpp DEPS kestrel::geometry)
endforeach()
