# qm_library(<name> [DEPENDS <libs...>]): a static library of every .cpp in the calling folder
# (and its sub-folders), with the project root on the include path so headers read
# "foundation/uc_error.h".
function(qm_library name)
  cmake_parse_arguments(QL "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(QL_DEPENDS)
    target_link_libraries(${name} PUBLIC ${QL_DEPENDS})
  endif()
endfunction()
