# A module of the platform's private folder (driver modules, the service's
# forwarding client, the capture reader): loaded by its file name, built
# beside the programs, installed in the private folder, exporting only what
# its version script lists and linked with nothing left undefined.
function(tamrix_private_module target file_name exports_map)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME "${file_name}"
    SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${TAMRIX_MODULE_DIR}
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${exports_map})
  target_link_options(${target} PRIVATE -Wl,--version-script=${exports_map} -Wl,--no-undefined)
  install(TARGETS ${target} LIBRARY DESTINATION ${TAMRIX_INSTALL_MODULE_DIR} COMPONENT runtime)
endfunction()
