# vnt_resources(<target> [STRINGS <file>...] [<TYPE> <name> <file>]...)
# Compiles files into the module's resource table, for FindResourceA, LoadResource,
# LockResource, SizeofResource, EnumResourceNamesA and LoadStringA. TYPE is a resource type word
# (CURSOR, ICON, BITMAP, MENU, DIALOG, DATA, ANICURSOR ... as resource URLs name them), "#<n>"
# for a numeric type, or any other word for a named type; name is a number, "#<n>", or a word
# (names and named types are case-blind). A STRINGS file holds "<id> <text>" lines. Every file
# keeps its bytes exactly.

include(VntModuleNotes)

function(vnt_resources target)
  set(lines "")
  set(depends "")
  set(args ${ARGN})
  list(LENGTH args count)
  set(i 0)
  while(i LESS count)
    list(GET args ${i} type)
    math(EXPR i "${i} + 1")
    if(type STREQUAL "STRINGS")
      set(name "-")
    else()
      if(i GREATER_EQUAL count)
        message(FATAL_ERROR "vnt_resources(${target}): ${type} needs a name and a file")
      endif()
      list(GET args ${i} name)
      math(EXPR i "${i} + 1")
    endif()
    if(i GREATER_EQUAL count)
      message(FATAL_ERROR "vnt_resources(${target}): ${type} ${name} needs a file")
    endif()
    list(GET args ${i} file)
    math(EXPR i "${i} + 1")
    get_filename_component(file ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    string(APPEND lines "${type}\t${name}\t${file}\n")
    list(APPEND depends ${file})
  endwhile()

  _vnt_pack_tool()
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.list)
  file(CONFIGURE OUTPUT ${manifest} CONTENT "${lines}")
  set(note ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.note)
  add_custom_command(OUTPUT ${note}
    COMMAND vnt_pack resources ${note} ${manifest}
    DEPENDS vnt_pack ${manifest} ${depends}
    COMMENT "Resources of ${target}"
    VERBATIM)
  _vnt_embed_note(${target} resources ${note})
endfunction()
