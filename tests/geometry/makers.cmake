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

