# Writes the LV2 bundle's TTL with DPF's generator (run on the build that
# exports its entry), then names the product's licence file in the bundle
# as the plug-in's licence: LV2 wants a URI there, and the generator knows
# only free-software licences by name.
# cmake -DGENERATOR=... -DMODULE=... -DBUNDLE=... -DLICENSE=... -P lv2_bundle.cmake
execute_process(COMMAND ${GENERATOR} ${MODULE} WORKING_DIRECTORY ${BUNDLE}
  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
if(failed)
  message(FATAL_ERROR "the LV2 TTL generator failed on ${MODULE}")
endif()
file(GLOB ttls ${BUNDLE}/*.ttl)
foreach(ttl ${ttls})
  file(READ ${ttl} text)
  string(REPLACE "doap:license \"Proprietary\"" "doap:license <LICENSE>" text "${text}")
  file(WRITE ${ttl} "${text}")
endforeach()
file(COPY ${LICENSE} DESTINATION ${BUNDLE})
