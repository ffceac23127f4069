# Tests of the element queries: points at a distance, projection, offsets, intersections,
# moves and monitoring.
foreach(topic onl_proj intersect moves monitor chain_moves)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/queries_${topic}_test.cpp)
    add_kestrel_test(queries_${topic}_test SOURCES queries_${topic}_test.cpp DEPS kestrel::geometry)
  endif()
endforeach()

