# Helpers shared by every folder: one static library per folder, one test
# executable per folder under tests/.

set(ZELT_WARNINGS -Wall -Wextra -Wpedantic -Wno-unused-parameter)
if(ZELT_WERROR)
  list(APPEND ZELT_WARNINGS -Werror)
endif()

# zelt_module(<name> [DIR <subfolder>] PUBLIC <targets...> PRIVATE <targets...>)
# Builds the folder's .cpp/.h into the static library <name>. Without DIR the
# folder's engine code is taken (every file but those under ui/); with DIR ui
# its windows. PUBLIC lists what the headers expose, PRIVATE what only the
# sources use (DEPS is read as PUBLIC). A folder that has no source yet becomes
# an interface library, so that dependants link against it all the same.
function(zelt_module name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;PUBLIC;PRIVATE" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_DIR)
    set(dir ${dir}/${ARG_DIR})
  endif()
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT ARG_DIR)
    list(FILTER srcs EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/ui/")
  endif()
  set(has_cpp FALSE)
  foreach(s ${srcs})
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(has_cpp)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${ZELT_WARNINGS})
  else()
    add_library(${name} INTERFACE ${srcs})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_PUBLIC} ${ARG_PRIVATE})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# zelt_tests(<folder> [WINDOWS] DEPS <targets...>)
# One GoogleTest executable test_<folder> (a "/" in the folder becomes "_")
# from tests/<folder>/*.cpp. Engine tests run with a core application and the
# windows' tests of tests/<folder>/ui/ are left to their own executable;
# WINDOWS tests run with a widget application (offscreen unless a platform is
# chosen) and the desktop installed. Nothing is made while the folder is empty.
function(zelt_tests folder)
  cmake_parse_arguments(ARG "WINDOWS" "" "DEPS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT folder MATCHES "/ui$")
    list(FILTER srcs EXCLUDE REGEX "^${dir}/ui/")
  endif()
  if(NOT srcs)
    return()
  endif()
  string(REPLACE "/" "_" target test_${folder})
  add_executable(${target} ${srcs})
  if(ARG_WINDOWS)
    target_link_libraries(${target} PRIVATE testsupport_ui ${ARG_DEPS})
  else()
    target_link_libraries(${target} PRIVATE testsupport ${ARG_DEPS})
  endif()
  target_compile_options(${target} PRIVATE ${ZELT_WARNINGS})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZELT_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
