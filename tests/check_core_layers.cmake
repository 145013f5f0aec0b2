# Fails when a core source includes Qt or the editor's ui/ headers (the core must build on a server
# without a desktop, and the command-line tool relies on that), or a header of a core layer above
# its own: base < model < image < formats. The link of each layer's tests catches calls upwards;
# this also catches an upward include that uses only inline code.
set(layers base model image formats)
set(above "")
list(REVERSE layers)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources ${CORE_DIR}/${layer}/*)
  if(above)
    list(JOIN above "|" upper)
    set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|ui/|(${upper})/)")
  else()
    set(pattern "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|ui/)")
  endif()
  foreach(source IN LISTS sources)
    file(STRINGS ${source} hits REGEX "${pattern}")
    if(hits)
      message(FATAL_ERROR "${source} includes the user interface or a higher layer: ${hits}")
    endif()
  endforeach()
  list(APPEND above ${layer})
endforeach()
