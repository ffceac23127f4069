# Element makers, IP setters, chain makers and chain repairs; every chain they return passes the
# chain checker.
foreach(test makers_test makers_chains_test)
  add_kestrel_test(${test} SOURCES ${test}.cpp DEPS kestrel::geometry)
endforeach()

