# Compiles the files of resources/ into corvanti_resources: each becomes a generated C++
# source holding its bytes (see src/resources/embedded_files.h).
function(corvanti_embed_resources)
  if(NOT TARGET corvanti_resources)
    return()
  endif()
  get_target_property(kind corvanti_resources TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  set(generated_dir ${CMAKE_BINARY_DIR}/generated/resources)
  file(MAKE_DIRECTORY ${generated_dir})
  set(sources)
  foreach(entry
      "BuiltinMasterBmp;builtin_master.bmp"
      "BuiltinAlphaBmp;builtin_alpha.bmp"
      "DefaultBackgroundJpeg;default_background.jpg")
    list(GET entry 0 name)
    list(GET entry 1 file)
    set(input ${CMAKE_SOURCE_DIR}/resources/${file})
    set(output ${generated_dir}/${name}.cpp)
    set(depends ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake)
    if(EXISTS ${input})
      list(APPEND depends ${input})
    endif()
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name}
              -P ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
      DEPENDS ${depends}
      COMMENT "Embedding resources/${file}"
      VERBATIM)
    list(APPEND sources ${output})
  endforeach()
  set_source_files_properties(${sources} PROPERTIES SKIP_AUTOGEN ON)
  target_sources(corvanti_resources PRIVATE ${sources})
endfunction()
corvanti_embed_resources()
