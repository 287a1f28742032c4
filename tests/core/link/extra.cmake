# The framed exchanges are checked against libmodbus as an independent RTU server on a
# pseudo-terminal (test-only dependency, Debian libmodbus-dev).
if(MODBUS_FOUND)
  target_link_libraries(test_core_link PRIVATE PkgConfig::MODBUS)
  target_compile_definitions(test_core_link PRIVATE VORSAN_HAVE_LIBMODBUS=1)
endif()
