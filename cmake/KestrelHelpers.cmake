# Shared build settings for every Kestrel target.

function(kestrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KESTREL_WERROR}>:-Werror>
    # GCC 12 reports impossible overlaps inside std::string assignments at -O2 (GCC bug 105329).
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>
    # Results must not depend on the compiler's choice to fuse multiply-adds.
    -ffp-contract=off)
endfunction()

# add_kestrel_library(name [SHARED] SOURCES ... [DEPS ...] [PUBLIC_INCLUDE dir])
# Declares kestrel_<name> with the alias kestrel::<name>.
function(add_kestrel_library name)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(kestrel_${name} SHARED ${ARG_SOURCES})
  else()
    add_library(kestrel_${name} STATIC ${ARG_SOURCES})
  endif()
  add_library(kestrel::${name} ALIAS kestrel_${name})
  target_include_directories(kestrel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kestrel_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  kestrel_warnings(kestrel_${name})
endfunction()

# add_kestrel_test(name SOURCES ... DEPS ...)
# One GoogleTest executable per tested unit; every test case is registered with CTest.
function(add_kestrel_test name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    KESTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KESTREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  kestrel_warnings(${name})
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY} DISCOVERY_TIMEOUT 60)
endfunction()

# kestrel_subsystem(name DEPS ...): one static library per module subsystem folder, made of
# every .cpp in it. A folder without sources yet is an interface library of its headers.
function(kestrel_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_sources)
    add_kestrel_library(${name} SOURCES ${_sources} DEPS ${ARG_DEPS} PRIVATE_DEPS ${ARG_PRIVATE_DEPS})
  else()
    add_library(kestrel_${name} INTERFACE)
    add_library(kestrel::${name} ALIAS kestrel_${name})
    target_include_directories(kestrel_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(kestrel_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()
