# The PDF manual can be found around in: its outline (bookmarks) lists every numbered chapter,
# and the contents list links to each chapter's page, in order.
# Run as: cmake -DMANUAL_DIR=<bin/Manual> -DNAME_FILE=<manual-name.txt> -P manual_navigation.cmake
file(STRINGS ${NAME_FILE} manual_name LIMIT_COUNT 1)
set(pdf ${MANUAL_DIR}/${manual_name})
find_program(pdftohtml_exe pdftohtml REQUIRED)
execute_process(COMMAND ${pdftohtml_exe} -xml -i -q -stdout ${pdf} OUTPUT_VARIABLE xml RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "pdftohtml failed on ${pdf}")
endif()

# Runs of one page count once: a contents entry drawn in pieces links each piece.
function(collapse list_name out)
  set(result "")
  set(last "")
  foreach(page IN LISTS ${list_name})
    if(NOT page STREQUAL last)
      list(APPEND result ${page})
    endif()
    set(last ${page})
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# The outline: <item page="N">12. Title</item> for each numbered chapter.
string(REGEX MATCHALL "<item page=\"[0-9]+\">[0-9]+\\. [^<]*</item>" chapters "${xml}")
list(LENGTH chapters chapter_count)
if(NOT chapter_count EQUAL 15)
  message(FATAL_ERROR "the outline lists ${chapter_count} numbered chapters, not 15")
endif()
set(chapter_pages "")
foreach(item IN LISTS chapters)
  string(REGEX REPLACE "<item page=\"([0-9]+)\">.*" "\\1" page "${item}")
  list(APPEND chapter_pages ${page})
endforeach()

# The contents list on the first page: links inside the document ("#page").
string(FIND "${xml}" "</page>" first_page_end)
string(SUBSTRING "${xml}" 0 ${first_page_end} first_page)
string(REGEX MATCHALL "<a href=\"[^\"#]*#[0-9]+\">" links "${first_page}")
set(link_pages "")
foreach(link IN LISTS links)
  string(REGEX REPLACE ".*#([0-9]+)\">" "\\1" page "${link}")
  list(APPEND link_pages ${page})
endforeach()

collapse(chapter_pages chapters_in_order)
collapse(link_pages links_in_order)
message(STATUS "chapters start on pages ${chapter_pages}; the contents links lead to ${link_pages}")
if(NOT links_in_order STREQUAL chapters_in_order)
  message(FATAL_ERROR "the contents links (${link_pages}) do not lead to the chapters (${chapter_pages})")
endif()
