# Version records and resource tables travel in a module as ELF notes, so that they can be read
# from the file without loading it and found in memory once it is loaded. The host tool
# vnt_pack writes a note; a generated source puts it into the module.

function(_vnt_pack_tool)
  if(NOT TARGET vnt_pack)
    add_executable(vnt_pack ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/tools/vnt_pack.cpp)
    set_target_properties(vnt_pack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
  endif()
endfunction()

# _vnt_embed_note(<target> <kind> <note file>): links the note file into the target.
function(_vnt_embed_note target kind note)
  # A second note of a kind would never be found: the first one wins.
  get_target_property(done ${target} VNT_NOTE_${kind})
  if(done)
    message(FATAL_ERROR "${target} already has a ${kind} note: give everything in one call")
  endif()
  set_target_properties(${target} PROPERTIES VNT_NOTE_${kind} TRUE)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_${kind}_note.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT
"// Generated: the ${kind} note of ${target}.
__asm__(\".pushsection .note.vnt.${kind},\\\"a\\\",@note\\n\"
        \".balign 4\\n\"
        \".incbin \\\"${note}\\\"\\n\"
        \".popsection\\n\");
")
  set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS ${note})
  target_sources(${target} PRIVATE ${source})
endfunction()
