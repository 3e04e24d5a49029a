# Packages built with CPack: a Debian package of the release build (the
# programs, the udev rule, the example configuration and the README; its
# maintainer scripts make udev load the rule), and a ZIP of the Windows programs.
set(CPACK_PACKAGE_NAME headvane)
set(CPACK_PACKAGE_VENDOR headvane)
set(CPACK_PACKAGE_CONTACT "headvane maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  # The executables are linked statically: the ZIP holds them alone.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL programs)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Console bench tool for the IMU in a VR headset's tracking electronics.\n\
Reads the IMU over USB HID, estimates the orientation with an attitude\n\
filter and prints a live status line with the drift of each angle.\n\
headvane-sim runs the same tool on a simulated headset.")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
