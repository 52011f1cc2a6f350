# Configures the corelinks project once per case and checks the outcome.
#   cmake -DPELVANTO_SOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -P check_corelinks.cmake
set(cases
  # case                   expected: PASS, or what the failure must name
  "clean|PASS"
  "direct|engine -> Qt6::Widgets"
  "gui|settings -> Qt6::Gui"
  "versionless|engine -> Qt::Widgets"
  "through_plain_library|engine -> middle -> Qt6::Gui"
  "conditional|engine -> Qt6::Widgets"
  "ui_library|settings -> engine_ui \\(a ui library\\)"
  "library_file|engine -> /usr/lib/x86_64-linux-gnu/libQt6Widgets.so.6"
  "core_only_executable|helper -> settings_ui \\(a ui library\\)"
)
set(failed 0)
foreach(entry IN LISTS cases)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 case)
  list(GET parts 1 expected)
  file(REMOVE_RECURSE ${WORK_DIR}/${case})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -G ${GENERATOR} -S ${CMAKE_CURRENT_LIST_DIR}/corelinks
            -B ${WORK_DIR}/${case} -DCASE=${case} -DPELVANTO_SOURCE_DIR=${PELVANTO_SOURCE_DIR}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expected STREQUAL "PASS")
    if(NOT rc EQUAL 0)
      message(SEND_ERROR "${case}: should configure, failed:\n${err}")
      set(failed 1)
    else()
      message(STATUS "${case}: configures")
    endif()
  elseif(rc EQUAL 0)
    message(SEND_ERROR "${case}: configured although it breaks the core rule")
    set(failed 1)
  elseif(NOT err MATCHES "${expected}")
    message(SEND_ERROR "${case}: failed without naming '${expected}':\n${err}")
    set(failed 1)
  else()
    message(STATUS "${case}: refused as it should be")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "the core link check let a case through or refused a clean one")
endif()
