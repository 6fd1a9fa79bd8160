# qm_library(<name> [DEPENDS <libs...>] [PRIVATE_DEPENDS <libs...>]): a static library of every
# .cpp in the calling folder and its sub-folders, except a wx/ sub-folder, which is a library of
# its own (<name>_wx) so that the folder's core stays free of wxWidgets.
#
# DEPENDS are the libraries its headers need (its users see them too); PRIVATE_DEPENDS those
# only its .cpp files use. Headers read "foundation/uc_error.h", but a library's include path
# holds only its own folder and those of the libraries it depends on: including a header of a
# library it does not depend on fails to compile. scripts/check-layering checks the same, and the
# order of the dependencies, without building.
function(qm_library name)
  cmake_parse_arguments(QL "" "" "DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB_RECURSE wx_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/wx/*.cpp)
  if(wx_sources AND NOT CMAKE_CURRENT_SOURCE_DIR MATCHES "/wx$")
    list(REMOVE_ITEM sources ${wx_sources})
  endif()
  add_library(${name} STATIC ${sources})

  # <build>/qm_include/<name>/<folder> links to the folder, so that "<folder>/x.h" resolves
  # through this library's own root only.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${PROJECT_BINARY_DIR}/qm_include/${name})
  get_filename_component(link_parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${QL_DEPENDS} PRIVATE ${QL_PRIVATE_DEPENDS})
endfunction()

# Sets <out> to TRUE when <target> links <library>, directly or through its dependencies.
function(qm_links_to target library out)
  set(${out} FALSE PARENT_SCOPE)
  if(target STREQUAL library)
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  if(NOT TARGET ${target})
    return()
  endif()
  get_target_property(deps ${target} INTERFACE_LINK_LIBRARIES)
  if(NOT deps)
    return()
  endif()
  foreach(dep IN LISTS deps)
    # Private dependencies of a static library appear as $<LINK_ONLY:dep>.
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" dep "${dep}")
    qm_links_to(${dep} ${library} found)
    if(found)
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()
