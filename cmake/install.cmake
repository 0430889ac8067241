# Where `cmake --install` puts each artefact, one component per format so
# that packages can leave any of them out. Linux: the folders hosts scan
# below the prefix (/usr or /usr/local), DESTDIR honoured. Windows: a
# staging folder the installer and the zip are made from.
set(ORV_DOCS README.md LICENSE THIRD-PARTY-NOTICES CHANGELOG.md)
list(TRANSFORM ORV_DOCS PREPEND ${PROJECT_SOURCE_DIR}/)
set(ORV_BUNDLE_ROOT ${PROJECT_BINARY_DIR}/bin)

if(WIN32)
  install(FILES $<TARGET_FILE:orvq41x_x64> DESTINATION . COMPONENT vst2)
  install(FILES $<TARGET_FILE:orvhost> DESTINATION . COMPONENT orvhost)
  if(ORV_BUILD_FORMATS)
    install(FILES $<TARGET_FILE:orvq41x-clap> DESTINATION . COMPONENT clap)
    install(FILES $<TARGET_FILE:orvq41x-vst3>
      DESTINATION ${ORV_PLUGIN_FILE_NAME}.vst3/Contents/x86_64-win COMPONENT vst3)
  endif()
  install(FILES ${ORV_DOCS} DESTINATION . COMPONENT docs)
  return()
endif()

include(GNUInstallDirs)
# Hosts scan lib/<format> below the prefix, not a multiarch folder.
install(TARGETS orvq41x_x64 LIBRARY DESTINATION lib/vst COMPONENT vst2)
install(TARGETS orvhost RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT orvhost)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/orvhost.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT orvhost)
if(ORV_BUILD_FORMATS)
  install(TARGETS orvq41x-clap LIBRARY DESTINATION lib/clap COMPONENT clap)
  install(TARGETS orvq41x-vst3
    LIBRARY DESTINATION lib/vst3/${ORV_PLUGIN_FILE_NAME}.vst3/Contents/x86_64-linux COMPONENT vst3)
  install(TARGETS orvq41x-lv2 LIBRARY DESTINATION lib/lv2/${ORV_PLUGIN_FILE_NAME}.lv2 COMPONENT lv2)
  install(FILES ${ORV_BUNDLE_ROOT}/${ORV_PLUGIN_FILE_NAME}.lv2/manifest.ttl
    ${ORV_BUNDLE_ROOT}/${ORV_PLUGIN_FILE_NAME}.lv2/${ORV_PLUGIN_FILE_NAME}_dsp.ttl
    ${ORV_BUNDLE_ROOT}/${ORV_PLUGIN_FILE_NAME}.lv2/LICENSE
    DESTINATION lib/lv2/${ORV_PLUGIN_FILE_NAME}.lv2 COMPONENT lv2)
  install(TARGETS orvq41x-jack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT jack)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/${ORV_PLUGIN_FILE_NAME}-jack.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT jack)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/${ORV_PLUGIN_FILE_NAME}-jack.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT jack)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/${ORV_PLUGIN_FILE_NAME}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT jack)
endif()
install(FILES ${ORV_DOCS} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${ORV_PLUGIN_FILE_NAME} COMPONENT docs)
