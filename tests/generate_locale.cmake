# Builds the de_DE.UTF-8 locale into LOCALE_DIR (run as a ctest setup step).
# localedef exits 1 for mere warnings, so success is judged by the files made.
if(NOT LOCALE_DIR)
  message(FATAL_ERROR "LOCALE_DIR is not set")
endif()
find_program(LOCALEDEF localedef REQUIRED)
file(MAKE_DIRECTORY ${LOCALE_DIR})
execute_process(COMMAND ${LOCALEDEF} -i de_DE -f UTF-8 ${LOCALE_DIR}/de_DE.UTF-8
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT EXISTS ${LOCALE_DIR}/de_DE.UTF-8/LC_NUMERIC)
  message(FATAL_ERROR "localedef could not build de_DE.UTF-8 (exit ${rc}): ${err}\n"
                      "Install the 'locales' package (tools/install-deps.sh).")
endif()
