# Windows resources of slotkit's programs: the icon Explorer shows, the version information of
# the file's properties and the application manifest (common controls 6, per-monitor DPI
# awareness, the supported Windows versions). The resource script is filled in per program.
enable_language(RC)

# slotkit_windows_resources(TARGET DESCRIPTION WITH_WX): WITH_WX is 1 for programs linked with
# wxWidgets, whose own resources (cursors, bitmaps) come along.
function(slotkit_windows_resources target description with_wx)
  set(SLOTKIT_RC_FILE ${target}${CMAKE_EXECUTABLE_SUFFIX})
  set(SLOTKIT_RC_NAME ${target})
  set(SLOTKIT_RC_DESCRIPTION "${description}")
  set(SLOTKIT_RC_ICON ${PROJECT_SOURCE_DIR}/res/icons/slotkit.ico)
  set(SLOTKIT_RC_MANIFEST ${PROJECT_SOURCE_DIR}/res/windows/slotkit.exe.manifest)
  set(SLOTKIT_RC_WITH_WX ${with_wx})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/slotkit.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # A changed icon or manifest must rebuild the resources.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
                              "${SLOTKIT_RC_ICON};${SLOTKIT_RC_MANIFEST}")
endfunction()
