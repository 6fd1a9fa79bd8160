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
