# The system tests under Wine, registered in the native build. They run the Windows
# programs from TARVILO_BIN_DIR (which `make test` builds first) inside one private Wine
# prefix with its own Xvfb display and a persistent wineserver: the fixture "wine" sets
# these up before the first test and tears them down after the last.
#
# Every Wine test is RUN_SERIAL: the runner's single-instance mutex lives in the one
# wineserver, and the tests read windows and the registry that all of them share.
set(TARVILO_TEST_DISPLAY 44 CACHE STRING "The first X display number the Wine tests try")

set(WINE_STATE "${CMAKE_CURRENT_BINARY_DIR}/wine")
set(WINE_WORK "${CMAKE_CURRENT_BINARY_DIR}/work")
set(WINE_ENV_SCRIPT "${CMAKE_CURRENT_SOURCE_DIR}/wine_env.sh")

add_test(NAME wine_setup COMMAND bash "${WINE_ENV_SCRIPT}" setup "${WINE_STATE}"
         ${TARVILO_TEST_DISPLAY})
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine RUN_SERIAL TRUE TIMEOUT 300
                     LABELS wine)
add_test(NAME wine_cleanup COMMAND bash "${WINE_ENV_SCRIPT}" cleanup "${WINE_STATE}")
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine RUN_SERIAL TRUE TIMEOUT 60
                     LABELS wine)

# One test per group of related cases; the name after "wine_" is the group's name in the
# GROUPS of its program's module (runner_tests.py, remover_tests.py, ...), which systest.py
# gathers from the modules in its MODULES.
set(WINE_GROUPS instance empty sequence stop_resume exit_option window launch_fields
    command_line malformed failure_notice failure_reasons association remover shell_open zone_mark editor_start
    editor_example editor_list editor_with_runner editor_new_open editor_save_failure
    editor_logon keyboard editor_startup editor_utf8
    huge_file save_keeps_file)

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(SYSTEST "${Python3_EXECUTABLE}" "${CMAKE_CURRENT_SOURCE_DIR}/systest.py"
      --state "${WINE_STATE}" --bin "${TARVILO_BIN_DIR}" --bin64 "${TARVILO_BIN64_DIR}"
      --work "${WINE_WORK}")
else()
  # Without python3 the Wine tests cannot run; say so in every one of them.
  set(SYSTEST "${CMAKE_COMMAND}" -E false "python3 is needed for the Wine system tests")
endif()

# The core's unit tests again, as the Windows program under code page 932.
add_test(NAME core_tests_wine COMMAND ${SYSTEST} core_tests)
set_tests_properties(core_tests_wine PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE
                     TIMEOUT 300 LABELS wine)

foreach(group IN LISTS WINE_GROUPS)
  add_test(NAME wine_${group} COMMAND ${SYSTEST} ${group})
  set_tests_properties(wine_${group} PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE
                       TIMEOUT 180 LABELS wine)
endforeach()

# The 64-bit build's core tests under the 64-bit loader, in a prefix of their own, where
# the host runs the 32-bit programs above (skipped elsewhere: there the groups above run
# the 64-bit build already).
add_test(NAME core_tests_wine64
         COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/core_tests64.sh" "${WINE_STATE}64"
                 "${TARVILO_BIN64_DIR}" "${WINE_WORK}64" ${TARVILO_TEST_DISPLAY})
set_tests_properties(core_tests_wine64 PROPERTIES RUN_SERIAL TRUE SKIP_RETURN_CODE 77
                     TIMEOUT 300 LABELS wine)
