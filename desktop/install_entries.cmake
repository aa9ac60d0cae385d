# Run by `cmake --install`: the desktop and thumbnailer entries name the
# installed viewer by its full path, which is known only now (--prefix may
# differ from the prefix the build was configured with). DESTDIR, when set,
# moves where the files go, not the path written into them.
#
# Installs into different staging folders may run at once (the install tests
# do): each destination configures its entries in a work folder of its own,
# so one run never renames or removes a file another is about to copy.
set(ORVELLA_VIEWER "${CMAKE_INSTALL_PREFIX}/bin/viewer")
string(SHA1 destination "$ENV{DESTDIR}|${CMAKE_INSTALL_PREFIX}")
set(work "${ORVELLA_DESKTOP_WORK}/${destination}")
foreach(entry orvella.desktop orvella.thumbnailer)
  configure_file("${ORVELLA_DESKTOP_SOURCE}/${entry}.in" "${work}/${entry}" @ONLY)
endforeach()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${work}/orvella.desktop")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/thumbnailers" TYPE FILE
     FILES "${work}/orvella.thumbnailer")
file(REMOVE_RECURSE "${work}")
