# qm_use_wx(<target>): links wxWidgets (core, base) and precompiles its headers for the target.
find_package(wxWidgets REQUIRED COMPONENTS core base)

function(qm_use_wx target)
  target_include_directories(${target} SYSTEM PUBLIC ${wxWidgets_INCLUDE_DIRS})
  target_compile_definitions(${target} PUBLIC ${wxWidgets_DEFINITIONS})
  separate_arguments(wx_flags UNIX_COMMAND "${wxWidgets_CXX_FLAGS}")
  target_compile_options(${target} PUBLIC ${wx_flags})
  target_link_libraries(${target} PUBLIC ${wxWidgets_LIBRARIES})
  target_precompile_headers(${target} PRIVATE <wx/wx.h>)
endfunction()

# qm_embed_pictures(<target>): builds the SVG pictures of the calling folder's pictures/ into the
# target, each as `extern const SvgPicture kPicture<Name>` (pictures/tool-new-event.svg is
# kPictureToolNewEvent), declared by a header of the folder (gui/dialogs/svg_picture.h has the
# type). The program needs no file beside it, and a picture without a file fails to link.
function(qm_embed_pictures target)
  file(GLOB pictures CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/pictures/*.svg)
  list(SORT pictures)
  set(code "// Made by qm_embed_pictures (gui/QuillmootWx.cmake) from the SVG files of\n")
  string(APPEND code "// ${CMAKE_CURRENT_SOURCE_DIR}/pictures.\n")
  string(APPEND code "#include \"gui/dialogs/svg_picture.h\"\n")
  foreach(picture IN LISTS pictures)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${picture})
    get_filename_component(stem ${picture} NAME_WE)
    string(REPLACE "-" ";" words ${stem})
    set(name "")
    foreach(word IN LISTS words)
      string(SUBSTRING ${word} 0 1 first)
      string(SUBSTRING ${word} 1 -1 rest)
      string(TOUPPER ${first} first)
      string(APPEND name ${first}${rest})
    endforeach()
    file(READ ${picture} text)
    string(APPEND code "\nnamespace {\nconstexpr char kText${name}[] = R\"qmsvg(${text})qmsvg\";\n}\n")
    string(APPEND code "extern const SvgPicture kPicture${name} = {kText${name}, sizeof kText${name} - 1};\n")
  endforeach()
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_pictures.cpp)
  # Written only when it changed, so that a new configure rebuilds nothing.
  file(WRITE ${generated}.new "${code}")
  configure_file(${generated}.new ${generated} COPYONLY)
  target_sources(${target} PRIVATE ${generated})
endfunction()
