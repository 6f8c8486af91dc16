# `cmake --install`: the executables in bin/, the shipped data in share/corvanti/ and what a
# Linux desktop reads (desktop entry, MIME type, icons, AppStream metainfo); `cpack -G DEB`
# in the build folder packs the same tree under /usr.
#
# The program looks for its data at ../share/corvanti from its own folder
# (src/design/app_paths.h), so bin/ and share/ are fixed here, not taken from GNUInstallDirs.
set(CORVANTI_APP_ID io.github.corvanti.Corvanti)
set(desktop_dir ${CMAKE_SOURCE_DIR}/data/desktop)

install(TARGETS corvanti-cli RUNTIME DESTINATION bin)
# corvanti-cli finds its renderer at ../lib/corvanti/ from its own folder.
install(TARGETS corvanti-render LIBRARY DESTINATION lib/corvanti)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/media ${CMAKE_SOURCE_DIR}/data/background
  DESTINATION share/corvanti
  PATTERN .gitkeep EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/data/script.txt DESTINATION share/corvanti)

# Template files open in the program and show their own icon.
install(FILES ${desktop_dir}/${CORVANTI_APP_ID}.xml DESTINATION share/mime/packages)
install(FILES ${desktop_dir}/application-x-corvanti-template.svg
  DESTINATION share/icons/hicolor/scalable/mimetypes)

if(TARGET corvanti)
  install(TARGETS corvanti RUNTIME DESTINATION bin)
  install(FILES ${desktop_dir}/${CORVANTI_APP_ID}.desktop DESTINATION share/applications)
  install(FILES ${desktop_dir}/${CORVANTI_APP_ID}.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${desktop_dir}/${CORVANTI_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)

  # Fixed-size icons for the menus and docks that want them, rendered from the scalable one.
  find_program(CORVANTI_RSVG_CONVERT rsvg-convert)
  if(CORVANTI_RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 16 22 24 32 48 64 128 256)
      set(icon_dir ${CMAKE_BINARY_DIR}/icons/${size}x${size})
      set(png ${icon_dir}/${CORVANTI_APP_ID}.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
        COMMAND ${CORVANTI_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                ${desktop_dir}/${CORVANTI_APP_ID}.svg
        DEPENDS ${desktop_dir}/${CORVANTI_APP_ID}.svg
        COMMENT "Rendering the ${size}x${size} icon"
        VERBATIM)
      list(APPEND icon_pngs ${png})
      install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(icons ALL DEPENDS ${icon_pngs})
  else()
    message(WARNING "rsvg-convert not found: only the scalable icon is installed "
                    "(scripts/setup installs librsvg2-bin)")
    add_custom_target(icons)
  endif()
endif()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvanti)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Corvanti developers")
set(CPACK_PACKAGE_CONTACT "The Corvanti developers <corvanti@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "button pictures for web pages")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvanti makes the buttons of a web page's menu from a button template, caption lines, a
font and its effects, and face colours or a background picture. It writes GIF pictures of
every button, normal and mouse-over, with an HTML page that swaps them, and saves designs as
.btt template files. corvanti-cli renders templates without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/corvanti/corvanti)
# Loaded at run time, so no library scan finds them: the fonts captions are drawn with.
set(corvanti_runtime_depends "fontconfig, fonts-dejavu-core")
find_program(CORVANTI_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CORVANTI_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${corvanti_runtime_depends}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libjpeg62-turbo (>= 1:2.1), libpng16-16 (>= 1.6.2), libstdc++6 (>= 12), libc6 (>= 2.34), ${corvanti_runtime_depends}")
endif()
include(CPack)
