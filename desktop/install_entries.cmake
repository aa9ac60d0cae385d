# Run by `cmake --install`: the desktop and thumbnailer entries name the
# installed viewer by its full path, which is known only now (--prefix may
# differ from the prefix the build was configured with). DESTDIR, when set,
# moves where the files go, not the path written into them.
set(ORVELLA_VIEWER "${CMAKE_INSTALL_PREFIX}/bin/viewer")
foreach(entry orvella.desktop orvella.thumbnailer)
  configure_file("${ORVELLA_DESKTOP_SOURCE}/${entry}.in" "${ORVELLA_DESKTOP_WORK}/${entry}" @ONLY)
endforeach()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${ORVELLA_DESKTOP_WORK}/orvella.desktop")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/thumbnailers" TYPE FILE
     FILES "${ORVELLA_DESKTOP_WORK}/orvella.thumbnailer")
