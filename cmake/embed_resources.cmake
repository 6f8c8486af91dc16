# Compiles the files of resources/ into corvanti_resources: each becomes a generated C++
# source holding its bytes (see src/resources/embedded_files.h).
set(generated_dir ${CMAKE_BINARY_DIR}/generated/resources)
foreach(entry
    "BuiltinMasterBmp;builtin_master.bmp"
    "BuiltinAlphaBmp;builtin_alpha.bmp"
    "DefaultBackgroundJpeg;default_background.jpg")
  list(GET entry 0 name)
  list(GET entry 1 file)
  set(input ${CMAKE_SOURCE_DIR}/resources/${file})
  set(output ${generated_dir}/${name}.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${input} ${CMAKE_SOURCE_DIR}/cmake/embed_file.cmake
    COMMENT "Embedding resources/${file}"
    VERBATIM)
  set_source_files_properties(${output} PROPERTIES SKIP_AUTOGEN ON)
  target_sources(corvanti_resources PRIVATE ${output})
endforeach()
