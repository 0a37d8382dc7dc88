# bosquetir_add_textures(NAME OUTPUT_DIR DIR [FORMAT F] [LEVELS N] [KEY K] SOURCES FILE...)
#
# Converts each picture into a DDS file under DIR (relative to the current binary folder) at
# build time with `texkit convert`: one custom command per picture, so that the build runs them
# side by side and redoes only those whose picture changed, and a target NAME, built by
# default, that depends on every output. FORMAT (DXT1, A8R8G8B8 ... ; default: the picture's
# own), LEVELS (default: the full chain) and KEY (a colour key 0xAARRGGBB; default: none) are
# texkit's --format, --levels and --key.
function(bosquetir_add_textures name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "OUTPUT_DIR;FORMAT;LEVELS;KEY" "SOURCES")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "bosquetir_add_textures: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_OUTPUT_DIR OR NOT ARG_SOURCES)
    message(FATAL_ERROR "bosquetir_add_textures: OUTPUT_DIR and SOURCES are required")
  endif()
  cmake_path(ABSOLUTE_PATH ARG_OUTPUT_DIR BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")

  set(request)
  if(DEFINED ARG_FORMAT)
    list(APPEND request --format "${ARG_FORMAT}")
  endif()
  if(DEFINED ARG_LEVELS)
    list(APPEND request --levels "${ARG_LEVELS}")
  endif()
  if(DEFINED ARG_KEY)
    list(APPEND request --key "${ARG_KEY}")
  endif()

  set(outputs)
  foreach(source IN LISTS ARG_SOURCES)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
               OUTPUT_VARIABLE picture)
    cmake_path(GET picture STEM LAST_ONLY stem)
    set(output "${ARG_OUTPUT_DIR}/${stem}.dds")
    if(output IN_LIST outputs)
      message(FATAL_ERROR "bosquetir_add_textures: two pictures would both write ${output}")
    endif()
    # The build runs several of these at once, so each converts on one worker.
    add_custom_command(OUTPUT "${output}"
      COMMAND Bosquetir::texkit convert "${picture}" -o "${ARG_OUTPUT_DIR}" --force --quiet
              -j 1 ${request}
      DEPENDS "${picture}" Bosquetir::texkit
      COMMENT "Converting ${source} into ${stem}.dds"
      VERBATIM)
    list(APPEND outputs "${output}")
  endforeach()
  add_custom_target(${name} ALL DEPENDS ${outputs})
endfunction()
