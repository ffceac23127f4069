# Element makers, IP setters and chain makers; every chain they return passes the chain checker.
add_library(kestrel_geometry_chain_checker STATIC chain_checker.cpp)
target_link_libraries(kestrel_geometry_chain_checker PUBLIC kestrel::geometry)
kestrel_include_root(kestrel_geometry_chain_checker PRIVATE tests)
kestrel_warnings(kestrel_geometry_chain_checker)

foreach(test makers_test makers_ipset_test)
  add_kestrel_test(${test} SOURCES ${test}.cpp DEPS kestrel_geometry_chain_checker)
endforeach()
add_kestrel_test(makers_chains_test SOURCES makers_chains_test.cpp makers_chain_points_test.cpp
                 DEPS kestrel_geometry_chain_checker)

# The exported names, resolved from the built library by file name.
add_kestrel_test(makers_exports_test SOURCES makers_exports_test.cpp DEPS ${CMAKE_DL_LIBS})
target_compile_definitions(makers_exports_test PRIVATE
  KESTREL_GEOMETRY_LIBRARY="$<TARGET_FILE:kestrel_geometry>")
add_dependencies(makers_exports_test kestrel_geometry)

# The header compiles as C and the library links from C.
add_executable(makers_abi_c_test makers_abi_c_test.c)
target_link_libraries(makers_abi_c_test PRIVATE kestrel::geometry m)
set_target_properties(makers_abi_c_test PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON
                                                   C_EXTENSIONS OFF)
kestrel_warnings(makers_abi_c_test)
add_test(NAME makers_abi_c_test COMMAND makers_abi_c_test)
