# The named identifiers the program's code uses: corvexres/ResourceIds.h (namespace ombra::res),
# made from names.tsv and checked against strings_en.tsv. Included by the library's build and by
# the fuzzing build, whose targets compile parts of the core.
set(CORVEXRES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CORVEXRES_IDS_DIR ${CMAKE_BINARY_DIR}/corvexres-ids)
add_executable(corvexres-ids ${CORVEXRES_DIR}/gen/IdsGen.cpp)
target_link_libraries(corvexres-ids PRIVATE Qt6::Core)
set_target_properties(corvexres-ids PROPERTIES AUTOMOC OFF RUNTIME_OUTPUT_DIRECTORY ${CORVEXRES_IDS_DIR})
ombra_warnings(corvexres-ids)
add_custom_command(
  OUTPUT ${CORVEXRES_IDS_DIR}/include/corvexres/ResourceIds.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVEXRES_IDS_DIR}/include/corvexres
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0
          $<TARGET_FILE:corvexres-ids> ${CORVEXRES_DIR}/strings_en.tsv ${CORVEXRES_DIR}/names.tsv
          ${CORVEXRES_IDS_DIR}/include/corvexres/ResourceIds.h
  DEPENDS corvexres-ids ${CORVEXRES_DIR}/strings_en.tsv ${CORVEXRES_DIR}/names.tsv
  COMMENT "Generating the resource identifiers"
  VERBATIM)
add_custom_target(corvexres_ids_header DEPENDS ${CORVEXRES_IDS_DIR}/include/corvexres/ResourceIds.h)
add_library(corvexres_ids INTERFACE)
target_include_directories(corvexres_ids INTERFACE ${CORVEXRES_IDS_DIR}/include)
add_dependencies(corvexres_ids corvexres_ids_header)
