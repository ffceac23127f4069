# Tests of the element queries: points at a distance, projection, offsets, intersections, moves
# and monitoring.
add_kestrel_test(queries_test SOURCES queries_test.cpp DEPS kestrel::geometry)
