# The layers of the program, checked on the sources (cmake -DROOT=<source folder> -P layers.cmake).
# Include paths already keep a layer from finding the headers of the layers above it; this
# check also catches what an include path lets through:
#   src/core   no QtWidgets/QtGui header, no message box, no dialog, nothing from src/ui or src/app
#   src/ui     nothing from src/app
#   libs/, tools/  nothing from src/
# and each layer's code lives in its own namespace: ombra::core, ombra::ui, ombra::app.
set(violations "")

function(check_tree folder pattern reason)
  file(GLOB_RECURSE files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.c")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" hits REGEX "${pattern}")
    foreach(hit IN LISTS hits)
      file(RELATIVE_PATH rel "${ROOT}" "${file}")
      list(APPEND violations "${rel}: ${hit}  (${reason})")
    endforeach()
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

set(widgets "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets/|QtGui/|QWidget|QDialog|QMessageBox|QApplication|QGuiApplication|QPixmap|QIcon|QImage|QPainter|QCursor|QFileDialog|QLabel|QPushButton|QMenu|QAction|QColor|QFont)")
check_tree(src/core "${widgets}" "core is Qt Core only")
check_tree(src/core "^[ \t]*#[ \t]*include[ \t]*\"(platform/(MessageBox|FileDialog|WaitCursor|Accelerators|ResourceImages)|mainwindow/|controls/|app/|ui/|src/)" "core must not include the interface or the application")
check_tree(src/core "[A-Za-z]+Dlg[ \t]*\\(|ShowMessageBox|QMessageBox" "core shows no dialog and no message box")
check_tree(src/ui "^[ \t]*#[ \t]*include[ \t]*\"(app/|src/)" "the interface must not include the application")
foreach(lib libs tools)
  check_tree(${lib} "^[ \t]*#[ \t]*include[ \t]*\"(src/|app/|mainwindow/|settings/|instrument/|output/|colorset/|illuminant/|platform/)" "libraries and tools never include the program")
endforeach()
# Each layer opens only its own namespace (nested ones inside it, and declarations of a lower
# layer's names where a header only needs them).
check_tree(src/core "^[ \t]*namespace ombra(::(ui|app)([: ]|$)| *\\{|$)" "core code lives in ombra::core")
check_tree(src/ui "^[ \t]*namespace ombra(::app([: ]|$)| *\\{|$)" "interface code lives in ombra::ui")
check_tree(src/app "^[ \t]*namespace ombra( *\\{|$)" "application code lives in ombra::app")

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "${count} layer violation(s):\n${text}")
endif()
message(STATUS "layers hold")
