# Tests of the element queries: points at a distance, projection, offsets, intersections,
# moves and monitoring.
foreach(topic onl_proj intersect moves monitor chain_moves)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/queries_${topic}_test.cpp)
    add_kestrel_test(queries_${topic}_test SOURCES queries_${topic}_test.cpp DEPS kestrel::geometry)
  endif()
endforeach()

# Loads the built library (and the module, once built) by file name and resolves every query
# function.
add_kestrel_test(queries_exports_test SOURCES queries_exports_test.cpp DEPS ${CMAKE_DL_LIBS})
target_compile_definitions(queries_exports_test PRIVATE
  KESTREL_GEOMETRY_LIBRARY="$<TARGET_FILE:kestrel_geometry>"
  KESTREL_MODULE_LIBRARY="${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/libkestrel_module.so")
add_dependencies(queries_exports_test kestrel_geometry)
