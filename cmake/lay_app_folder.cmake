# Copies data/ next to the executables; temp/ always exists, empty at first.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  # desktop/ holds what an install gives the desktop (cmake/install.cmake), not app data.
  if(f MATCHES "(^|/)\\.gitkeep$" OR f MATCHES "^desktop/")
    continue()
  endif()
  configure_file(${SRC}/${f} ${DST}/${f} COPYONLY)
endforeach()
foreach(d media/button media/toolbutton media/round media/others background temp)
  file(MAKE_DIRECTORY ${DST}/${d})
endforeach()
