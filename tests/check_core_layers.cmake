# Fails when a core source (model, formats, image) includes Qt or the editor's ui/ headers: the core
# must build on a server without a desktop, and the command-line tool relies on that.
file(GLOB_RECURSE sources ${CORE_DIR}/model/* ${CORE_DIR}/formats/* ${CORE_DIR}/image/*)
foreach(source IN LISTS sources)
  file(STRINGS ${source} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|ui/)")
  if(hits)
    message(FATAL_ERROR "${source} includes the user interface layer: ${hits}")
  endif()
endforeach()
