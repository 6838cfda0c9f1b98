# Run by the help build on its copy of help/ (-DWORK=<folder>): the links to
# every page (pages.inc) go where each page says <!-- pages -->, so that a new
# page is added to one list, not to every page.
file(READ "${WORK}/pages.inc" _pages)
string(STRIP "${_pages}" _pages)
file(GLOB _html "${WORK}/*.html")
foreach(_f IN LISTS _html)
  file(READ "${_f}" _text)
  string(FIND "${_text}" "<!-- pages -->" _at)
  if(_at EQUAL -1)
    message(FATAL_ERROR "${_f} has no <!-- pages --> for the links to the other pages")
  endif()
  string(REPLACE "<!-- pages -->" "${_pages}" _text "${_text}")
  file(WRITE "${_f}" "${_text}")
endforeach()
