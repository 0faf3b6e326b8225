# Programs whose only use is their file version: the product detectors read the version of a
# product's executable. Each is built with a VERSIONINFO of the version in its name.
set(product_stub_dir ${CMAKE_BINARY_DIR}/tests/product-stubs)
# Written through configure_file, which leaves unchanged files alone: no rebuild per configure.
file(WRITE ${CMAKE_BINARY_DIR}/product-stubs/stub.c.in "int main(void) { return 0; }\n")
configure_file(${CMAKE_BINARY_DIR}/product-stubs/stub.c.in ${CMAKE_BINARY_DIR}/product-stubs/stub.c COPYONLY)
foreach(version 4.2.1.7 1.5.0.3 3.0.0.12 5.1.2.3 15.0.9.0 2.4.6.8 2.1.0.17)
  string(REPLACE "." "_" stub_name ${version})
  string(REPLACE "." "," stub_commas ${version})
  set(stub_rc ${CMAKE_BINARY_DIR}/product-stubs/version_stub_${stub_name}.rc)
  file(WRITE ${stub_rc}.in
"1 VERSIONINFO
FILEVERSION ${stub_commas}
PRODUCTVERSION ${stub_commas}
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904b0\"
    BEGIN
      VALUE \"FileVersion\", \"${version}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
  configure_file(${stub_rc}.in ${stub_rc} COPYONLY)
  add_executable(version_stub_${stub_name} ${CMAKE_BINARY_DIR}/product-stubs/stub.c ${stub_rc})
  set_target_properties(version_stub_${stub_name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${product_stub_dir})
  add_dependencies(${AREA_TEST_TARGET} version_stub_${stub_name})
endforeach()
