# Installation: the two programs, the desktop integration (entry, MIME types, icons, AppStream),
# the manual pages, the bash completion and the sample projects; and the Debian package.
include(GNUInstallDirs)

install(TARGETS glkov-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET glkov)
  install(TARGETS glkov RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(_share ${CMAKE_INSTALL_DATADIR})
install(FILES ${GLKOV_DATA_DIR}/${GLKOV_APP_ID}.desktop DESTINATION ${_share}/applications)
install(FILES ${GLKOV_DATA_DIR}/${GLKOV_APP_ID}.xml DESTINATION ${_share}/mime/packages)
configure_file(${GLKOV_DATA_DIR}/${GLKOV_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/data/${GLKOV_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${GLKOV_APP_ID}.metainfo.xml DESTINATION ${_share}/metainfo)

# Icons: the scalable drawing and PNG renderings of it at the usual sizes.
set(_icon_svg ${GLKOV_DATA_DIR}/icons/${GLKOV_APP_ID}.svg)
install(FILES ${_icon_svg} DESTINATION ${_share}/icons/hicolor/scalable/apps)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(_pngs)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/data/icons/${size}x${size}/${GLKOV_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/data/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${_icon_svg}
      DEPENDS ${_icon_svg} VERBATIM)
    list(APPEND _pngs ${png})
    install(FILES ${png} DESTINATION ${_share}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(glkov_icons ALL DEPENDS ${_pngs})
else()
  message(WARNING "rsvg-convert not found (librsvg2-bin): only the scalable icon is installed")
  add_custom_target(glkov_icons)
endif()

# Manual pages and bash completion. glkov-cli's pages come from its own help texts, so every
# subcommand and option is there as soon as it is; a sanitizer build runs it without leak checks.
set(_cli_man ${CMAKE_BINARY_DIR}/data/glkov-cli.1)
set(_cli_completion ${CMAKE_BINARY_DIR}/data/glkov-cli.bash)
add_custom_command(OUTPUT ${_cli_man} ${_cli_completion}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          ${CMAKE_SOURCE_DIR}/scripts/cli-docs $<TARGET_FILE:glkov-cli> ${_cli_man}
          ${_cli_completion}
  DEPENDS glkov-cli ${CMAKE_SOURCE_DIR}/scripts/cli-docs VERBATIM)
configure_file(${GLKOV_DATA_DIR}/glkov.1.in ${CMAKE_BINARY_DIR}/data/glkov.1 @ONLY)
add_custom_target(glkov_cli_docs ALL DEPENDS ${_cli_man} ${_cli_completion})
install(FILES ${_cli_man} ${CMAKE_BINARY_DIR}/data/glkov.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_cli_completion} DESTINATION ${_share}/bash-completion/completions
        RENAME glkov-cli)

# What installing needs built beyond the programs (`make install` and `make package` build this).
add_custom_target(glkov_install_data DEPENDS glkov_icons glkov_cli_docs)

# The sample projects.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/room ${CMAKE_SOURCE_DIR}/examples/corridor
        DESTINATION ${_share}/glkov/examples)
install(FILES ${CMAKE_SOURCE_DIR}/examples/README.md DESTINATION ${_share}/glkov/examples)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

# `make package`: a Debian package; dpkg-shlibdeps finds the libraries, the rest is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glkov)
set(CPACK_PACKAGE_VENDOR "The glKOV developers")
set(CPACK_PACKAGE_CONTACT "The glKOV developers <glkov@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "glKOV turns one photograph into a 3D walk-through movie: mark the perspective with a vanishing
point and an inner rectangle, fly a camera through the textured box with the foreground objects
standing in it, and export the flight as a movie. glkov-cli runs the same core head-less.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/glkov/glkov)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Mesa's EGL and GLX vendor libraries and
# drivers, OpenCV's contributed modules (the line detector of the suggested mesh), and the
# GStreamer plugins without which Qt 6.4's media player crashes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libegl-mesa0, libglx-mesa0, libgl1-mesa-dri, libopencv-contrib406, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg")
include(CPack)
