# One static library per src/ folder. Sources are picked up from the folder so
# that adding a file needs no edit here; DEPS names the folders below it.
function(bp_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(bp_${name} STATIC ${_all})
  target_include_directories(bp_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(bp_${name} PUBLIC ${ARG_DEPS})
endfunction()

# One test binary per tested folder, every *.cpp in tests/<folder>. QT_MAIN:
# the folder's tests draw, open windows or print, so the binary starts with
# the test main that makes the application object (tests/support); the others
# stay free of the toolkit and use gtest's own main.
function(bp_test_suite name)
  cmake_parse_arguments(ARG "QT_MAIN" "" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(test_${name} ${_srcs})
  if(ARG_QT_MAIN)
    set(_main bp_qt_test_main)
  else()
    set(_main GTest::gtest_main)
  endif()
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock ${_main})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(test_${name} PRIVATE
    BP_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BP_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(test_${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
