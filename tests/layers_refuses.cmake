# The layer check refuses what it is there to refuse: each fault planted alone in a small tree
# of the program's shape fails the check and is named; the same tree without it passes.
# (a semicolon is written <sc>, as a CMake list cannot hold one)
# cmake -DCHECK=<layers.cmake> -DWORK=<scratch folder> -P layers_refuses.cmake
set(clean_files
  "src/core/output/Transfer.h|#include \"core/platform/Resources.h\"\nnamespace ombra::core {}\n"
  "src/ui/output/Dlg.cpp|#include \"core/output/Transfer.h\"\n#include \"corvexres/ResourceIds.h\"\nnamespace ombra::ui {\nusing namespace mainwindow<sc>\n}\n"
  "src/app/App.cpp|#include \"ui/output/Dlg.h\"\nnamespace ombra::app {}\n"
  "libs/automation/src/A.cpp|#include \"automation/Automation.h\"\n")
set(faults
  "src/ui/output/Bad.cpp|#include \"output/Transfer.h\"\n"
  "src/ui/output/Bad.cpp|namespace ombra::ui {\nusing namespace ombra::core<sc>\n}\n"
  "src/ui/output/Bad.cpp|using namespace core::platform<sc>\n"
  "src/app/Bad.cpp|using namespace ombra::ui<sc>\n"
  "src/core/instrument/Bad.h|namespace ombra::core::mainwin {}\n"
  "src/core/instrument/Bad.h|#include \"ui/output/Dlg.h\"\n"
  "src/ui/output/Bad.cpp|#include \"app/App.h\"\n"
  "libs/automation/src/Bad.cpp|#include \"core/output/Transfer.h\"\n")

function(plant tree entry)
  string(FIND "${entry}" "|" bar)
  string(SUBSTRING "${entry}" 0 ${bar} path)
  math(EXPR from "${bar} + 1")
  string(SUBSTRING "${entry}" ${from} -1 text)
  string(REPLACE "\\n" "\n" text "${text}")
  string(REPLACE "<sc>" ";" text "${text}")  # a list cannot hold a semicolon
  file(WRITE "${tree}/${path}" "${text}")
  set(planted "${path}" PARENT_SCOPE)
endfunction()

function(run_check tree result output)
  execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${tree} -P ${CHECK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result} ${rc} PARENT_SCOPE)
  set(${output} "${out}${err}" PARENT_SCOPE)
endfunction()

function(clean_tree tree)
  file(REMOVE_RECURSE "${tree}")
  foreach(entry IN LISTS clean_files)
    plant("${tree}" "${entry}")
  endforeach()
endfunction()

set(tree "${WORK}/layers-tree")
clean_tree("${tree}")
run_check("${tree}" rc out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "a tree that keeps the layers was refused:\n${out}")
endif()
set(missed "")
foreach(fault IN LISTS faults)
  clean_tree("${tree}")
  plant("${tree}" "${fault}")
  run_check("${tree}" rc out)
  string(FIND "${out}" "${planted}" named)
  if(rc EQUAL 0 OR named EQUAL -1)
    list(APPEND missed "${fault}")
  endif()
endforeach()
file(REMOVE_RECURSE "${tree}")
if(missed)
  list(JOIN missed "\n  " text)
  message(FATAL_ERROR "the layer check let through:\n  ${text}")
endif()
message(STATUS "the layer check refuses every planted fault")
