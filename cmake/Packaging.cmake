# The Debian package of the calendar (make deb): the programs and every file the
# installation adds, with the libraries found by dpkg-shlibdeps and the fonts the pages
# are drawn with. The package is built from a build configured with the flags of
# dpkg-buildflags (see the Makefile), so that the programs carry Debian's hardening.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vellomar)
set(CPACK_PACKAGE_CONTACT "Vellomar <quillo@vellomar.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tear-off desk calendar with the Japanese almanac")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vellomar.example/quillo/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The design's fonts are replaced by these at start-up; the Black weight of Noto Sans CJK
# is only in the -extra package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-noto-cjk, fonts-noto-cjk-extra, fonts-ipafont-gothic, fonts-bebas-neue, fonts-liberation2, qt6-qpa-plugins")
# Memo sync checks servers against the system's certificates and keeps the password in
# the desktop's keyring (any Secret Service provider, or KWallet).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, ca-certificates, gnome-keyring | kwalletmanager | keepassxc")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xcompmgr | picom")
# The long description: what the synopsis does not already say. CPack puts the synopsis
# (the summary above) in front and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A small borderless window on the desktop shows one day page: the day in
large figures, the Western and Japanese era year, month and weekday, the
lunar date with its rokuyo, the sexagenary day, the solar term or seasonal
day, the public holiday and a memo for the day.
.
Pages are torn off with the mouse and become small papers that turn about
their corner and stay where they are dropped. Papers, memos and colours
survive a restart, and the calendar can start with the desktop session.
.
Memos can be kept in step between machines through the user's own CalDAV
server, one journal per day, without losing a word when two machines
change the same memo.
.
The companion command quillo-tool prints the almanac of a range of days as
tab-separated text, draws a day page as a PNG image and syncs the memos.")
# The per-machine store lies in /etc and is the administrator's to change.
file(WRITE ${CMAKE_BINARY_DIR}/debian-control/conffiles "/etc/xdg/vellomar/registry.ini\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian-control/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
