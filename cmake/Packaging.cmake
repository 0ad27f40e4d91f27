# The Debian package: everything `cmake --install` puts down, under /usr, with
# its library dependencies found by dpkg-shlibdeps. scripts/package.sh builds it.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kinetta")
set(CPACK_PACKAGE_VENDOR "Kinetta developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen-to-GIF recorder for the Linux desktop")
set(CPACK_PACKAGE_HOMEPAGE_URL "${KINETTA_WEB_ADDRESS}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KINETTA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The first line of the package's description is the summary above.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Kinetta lives in the system tray and records the whole screen, one window\n"
       "or a drawn area, with an optional countdown, a heads-up display and an\n"
       "auto-stop, into an animated GIF: straight onto the clipboard, or through a\n"
       "preview that plays, trims, optimises, bounces and saves it. The commands\n"
       "kinetta record and kinetta encode drive the same engine from a terminal.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library link names it: Qt's X11 platform plugin.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Opening the issue page in the browser goes through xdg-open. On a Wayland
# desktop, screen capture goes through the desktop portal and PipeWire, and
# without XWayland Qt needs its Wayland platform plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, xdg-desktop-portal, pipewire, qt6-wayland")
include(CPack)
