# harvex_library(NAME <target> [DEPS <targets...>])
# A library made of every .cpp file of the calling folder. A folder without
# sources yet becomes an INTERFACE library so that dependants still configure.
function(harvex_library)
  cmake_parse_arguments(ARG "" "NAME" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(sources)
    add_library(${ARG_NAME} STATIC ${sources} ${headers})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
  else()
    add_library(${ARG_NAME} INTERFACE)
    target_include_directories(${ARG_NAME} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The folder of the shared RAR corpus the fixture tests read (never copied in).
# Point it elsewhere with -DHARVEX_SHARED_FIXTURES=<folder>; tests that need it
# skip when it is missing, unless HARVEX_REQUIRE_FIXTURES=1 is set at run time.
set(HARVEX_SHARED_FIXTURES "${PROJECT_SOURCE_DIR}/../shared/fixtures"
    CACHE PATH "Folder of the shared test corpus (holds rar/)")

# harvex_test(NAME <target> DEPS <targets...>)
# One test program made of every .cpp file of the calling folder, each
# GoogleTest case registered as its own ctest entry.
function(harvex_test)
  cmake_parse_arguments(ARG "" "NAME" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${ARG_NAME} ${sources})
  set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${ARG_NAME} PRIVATE
    HARVEX_BIN_DIR="${HARVEX_BIN_DIR}"
    HARVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    HARVEX_SHARED_FIXTURES="${HARVEX_SHARED_FIXTURES}")
  # Each case carries its program's name as a label, so that a pass can pick programs.
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${ARG_NAME})
endfunction()
