# The end-to-end tests run the hotsync program with the test conduit.
add_dependencies(${exe} hotsync testconduit)
# The Windows installer under Wine against the stand-in manager (a Wine prefix of its own).
if(WIN32)
  add_test(NAME installer COMMAND ${CMAKE_CURRENT_LIST_DIR}/installer_wine_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  set_tests_properties(installer PROPERTIES LABELS wine TIMEOUT 600)
endif()
if(NOT WIN32)
  add_test(NAME native_install COMMAND ${CMAKE_CURRENT_LIST_DIR}/native_install_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(native_install PROPERTIES TIMEOUT 300)
endif()
