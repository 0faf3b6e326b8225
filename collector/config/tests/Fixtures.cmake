# Mutated mode files for the reader's robustness test, made from the valid samples.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(config_fuzz_dir ${CMAKE_BINARY_DIR}/tests/config-fuzz)
file(GLOB config_fuzz_samples CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/samples/*.xml)
add_custom_command(
  OUTPUT ${config_fuzz_dir}/stamp
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/fuzz/mutate_mode_files.py
          --out ${config_fuzz_dir} --count 3000 ${config_fuzz_samples}
  COMMAND ${CMAKE_COMMAND} -E touch ${config_fuzz_dir}/stamp
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz/mutate_mode_files.py ${config_fuzz_samples}
  COMMENT "Generating mutated mode files")
add_custom_target(config_fuzz_files DEPENDS ${config_fuzz_dir}/stamp)
add_dependencies(${AREA_TEST_TARGET} config_fuzz_files)
