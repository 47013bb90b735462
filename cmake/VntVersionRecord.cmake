# vnt_version_record(<target> [PRODUCT_NAME <text>] [FILE_DESCRIPTION <text>] [COMPANY_NAME <text>]
#                    [INTERNAL_NAME <text>] [ORIGINAL_FILENAME <text>]
#                    [FILE_VERSION a.b.c.d] [PRODUCT_VERSION a.b.c.d] [FLAGS <n>])
# Embeds a version record in the module: the fixed file information (file and product version
# words, flags, file type) and the strings under "040904E4", for GetFileVersionInfoA and
# VerQueryValueA. Versions default to VNT_PRODUCT_VERSION, the original file name to the
# target's file name, the internal name to the product name.

include(VntModuleNotes)

set(VNT_PRODUCT_VERSION "5.1.0.108" CACHE STRING "Version written into every module's version record")
set(VNT_COMPANY_NAME "KVX" CACHE STRING "Company name written into every module's version record")

function(vnt_version_record target)
  cmake_parse_arguments(ARG "" "PRODUCT_NAME;FILE_DESCRIPTION;COMPANY_NAME;INTERNAL_NAME;ORIGINAL_FILENAME;FILE_VERSION;PRODUCT_VERSION;FLAGS" "" ${ARGN})
  if(NOT ARG_PRODUCT_NAME)
    set(ARG_PRODUCT_NAME ${target})
  endif()
  if(NOT ARG_FILE_DESCRIPTION)
    set(ARG_FILE_DESCRIPTION ${ARG_PRODUCT_NAME})
  endif()
  if(NOT ARG_COMPANY_NAME)
    set(ARG_COMPANY_NAME ${VNT_COMPANY_NAME})
  endif()
  if(NOT ARG_INTERNAL_NAME)
    set(ARG_INTERNAL_NAME ${ARG_PRODUCT_NAME})
  endif()
  if(NOT ARG_ORIGINAL_FILENAME)
    set(ARG_ORIGINAL_FILENAME $<TARGET_FILE_NAME:${target}>)
  endif()
  if(NOT ARG_FILE_VERSION)
    set(ARG_FILE_VERSION ${VNT_PRODUCT_VERSION})
  endif()
  if(NOT ARG_PRODUCT_VERSION)
    set(ARG_PRODUCT_VERSION ${VNT_PRODUCT_VERSION})
  endif()
  if(NOT ARG_FLAGS)
    set(ARG_FLAGS 0)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(file_type 1)
  else()
    set(file_type 2)
  endif()

  _vnt_pack_tool()
  set(note ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.note)
  add_custom_command(OUTPUT ${note}
    COMMAND vnt_pack version ${note} ${ARG_FILE_VERSION} ${ARG_PRODUCT_VERSION} ${ARG_FLAGS} ${file_type}
      "CompanyName=${ARG_COMPANY_NAME}"
      "FileDescription=${ARG_FILE_DESCRIPTION}"
      "FileVersion=${ARG_FILE_VERSION}"
      "InternalName=${ARG_INTERNAL_NAME}"
      "ProductName=${ARG_PRODUCT_NAME}"
      "ProductVersion=${ARG_PRODUCT_VERSION}"
      "OriginalFilename=${ARG_ORIGINAL_FILENAME}"
    DEPENDS vnt_pack
    COMMENT "Version record of ${target}"
    VERBATIM)
  _vnt_embed_note(${target} version ${note})
endfunction()
