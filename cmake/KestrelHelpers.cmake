# Shared build settings for every Kestrel target, and the layers: every source folder is one
# layer, a target whose include directories reach only its own folder and the folders it names.
# The names each folder gives are recorded in layers.txt in the build folder, which
# tools/check_layers.py holds against docs/architecture.md and against the #include lines.

function(kestrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    $<$<BOOL:${KESTREL_WERROR}>:-Werror>
    # GCC 12 reports impossible overlaps inside std::string assignments at -O2 (GCC bug 105329).
    $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>
    # Results must not depend on the compiler's choice to fuse multiply-adds.
    -ffp-contract=off)
endfunction()

# kestrel_include_root(target scope folder): an include directory in which only `folder` (a path
# below the source root, e.g. "platform/dxf") is reachable, as "<folder>/<header>". The build
# folder gets a directory holding one symbolic link to the source folder.
function(kestrel_include_root target scope folder)
  string(REPLACE "/" "_" id "${folder}")
  set(root "${PROJECT_BINARY_DIR}/include-roots/${id}")
  set(link "${root}/${folder}")
  if(NOT EXISTS "${link}")
    get_filename_component(parent "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${link}" SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} "${root}")
endfunction()

# The target name of a layer folder: "platform/dxf" -> kestrel_platform_dxf.
function(kestrel_layer_target folder out)
  string(REPLACE "/" "_" id "${folder}")
  set(${out} "kestrel_${id}" PARENT_SCOPE)
endfunction()

# Records that `folder` may include the `deps` folders (and nothing else of ours).
function(kestrel_record_layer folder)
  list(JOIN ARGN "," deps)
  set_property(GLOBAL APPEND PROPERTY KESTREL_LAYERS "${folder}:${deps}")
endfunction()

# Writes the recorded layers to layers.txt (called once, after every folder is added).
function(kestrel_write_layers)
  get_property(layers GLOBAL PROPERTY KESTREL_LAYERS)
  list(JOIN layers "\n" text)
  file(WRITE "${PROJECT_BINARY_DIR}/layers.txt" "${text}\n")
endfunction()

# kestrel_layer(folder [KIND STATIC|SHARED|INTERFACE] [SOURCES ...] [DEPS folder...] [LIBS ...]
#               [PRIVATE_LIBS ...])
# One layer as a library kestrel_<folder> (alias kestrel::<folder>), by default static, made of
# every .cpp in the folder unless SOURCES says otherwise. Its own folder is its public include
# root; DEPS are the layer folders it includes, LIBS other libraries its headers need.
function(kestrel_layer folder)
  cmake_parse_arguments(ARG "" "KIND" "SOURCES;DEPS;LIBS;PRIVATE_LIBS" ${ARGN})
  if(NOT ARG_KIND)
    set(ARG_KIND STATIC)
  endif()
  if(NOT ARG_SOURCES AND NOT ARG_KIND STREQUAL "INTERFACE")
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  endif()
  kestrel_layer_target(${folder} target)
  string(REPLACE "kestrel_" "" alias "${target}")
  set(deps)
  foreach(dep IN LISTS ARG_DEPS)
    kestrel_layer_target(${dep} dep_target)
    list(APPEND deps ${dep_target})
  endforeach()
  if(ARG_KIND STREQUAL "INTERFACE")
    add_library(${target} INTERFACE)
    kestrel_include_root(${target} INTERFACE ${folder})
    target_link_libraries(${target} INTERFACE ${deps} ${ARG_LIBS})
  else()
    add_library(${target} ${ARG_KIND} ${ARG_SOURCES})
    kestrel_include_root(${target} PUBLIC ${folder})
    target_link_libraries(${target} PUBLIC ${deps} ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
    kestrel_warnings(${target})
  endif()
  add_library(kestrel::${alias} ALIAS ${target})
  kestrel_record_layer(${folder} ${ARG_DEPS})
endfunction()

# kestrel_platform_part(folder [DEPS folder...] [PRIVATE_LIBS ...])
# One folder of the host stand-ins. Its code goes into the one shared platform library (objects
# kestrel_<folder>_objects); kestrel_<folder> gives its headers and links that library, and
# kestrel_<folder>_headers gives the headers alone (for the other parts while they compile).
function(kestrel_platform_part folder)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_LIBS" ${ARGN})
  kestrel_layer_target(${folder} target)
  string(REPLACE "kestrel_" "" alias "${target}")
  set(header_deps)
  foreach(dep IN LISTS ARG_DEPS)
    kestrel_layer_target(${dep} dep_target)
    if(dep MATCHES "^platform/")
      list(APPEND header_deps ${dep_target}_headers)
    else()
      list(APPEND header_deps ${dep_target})
    endif()
  endforeach()
  add_library(${target}_headers INTERFACE)
  kestrel_include_root(${target}_headers INTERFACE ${folder})
  target_link_libraries(${target}_headers INTERFACE ${header_deps})

  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  add_library(${target}_objects OBJECT ${sources})
  # The platform library exports everything, as a host's SDK does.
  set_target_properties(${target}_objects PROPERTIES CXX_VISIBILITY_PRESET default
                                                     VISIBILITY_INLINES_HIDDEN OFF)
  # Nothing interposes the platform's own functions: calls between them may be direct and inlined.
  target_compile_options(${target}_objects PRIVATE -fno-semantic-interposition)
  target_link_libraries(${target}_objects PRIVATE ${target}_headers ${ARG_PRIVATE_LIBS})
  kestrel_warnings(${target}_objects)

  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE ${target}_headers kestrel_platform)
  add_library(kestrel::${alias} ALIAS ${target})
  kestrel_record_layer(${folder} ${ARG_DEPS})
endfunction()

# add_kestrel_test(name SOURCES ... DEPS ...)
# One GoogleTest executable per tested unit; every test case is registered with CTest. Tests reach
# tests/ (their support headers) and what their DEPS give.
function(add_kestrel_test name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  kestrel_include_root(${name} PRIVATE tests)
  target_compile_definitions(${name} PRIVATE
    KESTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KESTREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  kestrel_warnings(${name})
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  gtest_discover_tests(${name} WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY} DISCOVERY_TIMEOUT 60)
endfunction()
