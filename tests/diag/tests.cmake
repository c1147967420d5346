# The date and time tests again in zones far from UTC on either side of the date line. On win32
# the zone reaches Wine through the environment of the test process, so it is set before start.
foreach(zone Pacific/Kiritimati America/Adak)
  string(REPLACE "/" "_" tag ${zone})
  add_test(NAME ${name}_tz_${tag} COMMAND ${exe} --gtest_filter=CivilTime*:Clock*:DateText*
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(${name}_tz_${tag} PROPERTIES ENVIRONMENT "TZ=${zone}" TIMEOUT 300)
endforeach()
