# The layers of the program, checked on the sources (cmake -DROOT=<source folder> -P layers.cmake).
# Every include of the program's own headers names its layer ("core/output/Transfer.h"), so an
# include says which layer it reaches, and this check holds the layers apart:
#   src/core   no QtWidgets/QtGui header, no message box, no dialog, nothing from src/ui or src/app
#   src/ui     nothing from src/app
#   libs/, tools/  nothing from src/
# Each layer's code lives in its own namespace (ombra::core, ombra::ui, ombra::app; a nested one
# named after the folder it sits in, such as ombra::ui::mainwindow), and it names what it uses of
# a lower layer explicitly (core::Transfer): no using-directive reaches across a layer.
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
check_tree(src/core "^[ \t]*#[ \t]*include[ \t]*\"(ui/|app/|src/)" "core must not include the interface or the application")
check_tree(src/core "[A-Za-z]+Dlg[ \t]*\\(|ShowMessageBox|QMessageBox" "core shows no dialog and no message box")
check_tree(src/ui "^[ \t]*#[ \t]*include[ \t]*\"(app/|src/)" "the interface must not include the application")
# A quoted include is rooted at its layer or names a library's own folder.
set(libraries "automation|calcbridge|cgats|colorimetry|corvexres|fxapi|trace")
file(GLOB_RECURSE program_files "${ROOT}/src/*.h" "${ROOT}/src/*.cpp")
foreach(file IN LISTS program_files)
  file(STRINGS "${file}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(hit IN LISTS hits)
    if(NOT hit MATCHES "\"(core|ui|app|${libraries})/")
      file(RELATIVE_PATH rel "${ROOT}" "${file}")
      list(APPEND violations "${rel}: ${hit}  (name the layer: \"core/...\", \"ui/...\", \"app/...\")")
    endif()
  endforeach()
endforeach()
foreach(lib libs tools)
  check_tree(${lib} "^[ \t]*#[ \t]*include[ \t]*\"(src/|core/|ui/|app/|mainwindow/|settings/|instrument/|output/|colorset/|illuminant/|platform/)" "libraries and tools never include the program")
endforeach()
# Each layer opens only its own namespace (nested ones inside it, and declarations of a lower
# layer's names where a header only needs them).
check_tree(src/core "^[ \t]*namespace ombra(::(ui|app)([: ]|$)| *\\{|$)" "core code lives in ombra::core")
check_tree(src/ui "^[ \t]*namespace ombra(::app([: ]|$)| *\\{|$)" "interface code lives in ombra::ui")
check_tree(src/app "^[ \t]*namespace ombra( *\\{|$)" "application code lives in ombra::app")
check_tree(src/core "mainwin([^d]|$)" "core has no main window, nor a namespace named after one")
# A lower layer's names are qualified where they are used, never pulled in wholesale.
check_tree(src/ui "using[ \t]+namespace[ \t]+(::)?(ombra::)?core([ \t]*;|::)" "the interface qualifies the core's names (core::...)")
check_tree(src/app "using[ \t]+namespace[ \t]+(::)?(ombra::)?(core|ui)([ \t]*;|::)" "the application qualifies the names of the layers below it")
check_tree(src/core "using[ \t]+namespace[ \t]+(::)?(ombra::)?(ui|app)([ \t]*;|::)" "core code lives in ombra::core")

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "${count} layer violation(s):\n${text}")
endif()
message(STATUS "layers hold")
