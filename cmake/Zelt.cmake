# Helpers shared by every folder: one static library per folder, one test
# executable per folder under tests/.

set(ZELT_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(ZELT_WERROR)
  list(APPEND ZELT_WARNINGS -Werror)
endif()

# zelt_module(<name> DEPS <targets...>)
# Builds every .cpp/.h of the folder into the static library <name>. A folder
# that has no source yet becomes an interface library, so that dependants link
# against it all the same.
function(zelt_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(has_cpp FALSE)
  foreach(s ${srcs})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${ZELT_WARNINGS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# zelt_tests(<folder> DEPS <targets...>)
# One GoogleTest executable test_<folder> from tests/<folder>/*.cpp, with the
# shared main() that runs Qt offscreen. Nothing is made while the folder is empty.
function(zelt_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(NOT srcs)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE testsupport ${ARG_DEPS})
  target_compile_options(${target} PRIVATE ${ZELT_WARNINGS})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELT_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
