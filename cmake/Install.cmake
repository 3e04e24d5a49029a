# What `cmake --install` puts where: the programs (each executable's own
# CMakeLists adds itself with install(TARGETS ... COMPONENT programs)), and
# here the udev rule, the example configuration and the README.
include(GNUInstallDirs)

set(HEADVANE_UDEV_RULE 70-headvane-imu.rules)
# Inside the prefix, as udev's own packages lay it out (/usr/lib/udev/rules.d).
set(HEADVANE_UDEV_RULES_DIR lib/udev/rules.d)
set(HEADVANE_EXAMPLES_DIR ${CMAKE_INSTALL_DATADIR}/headvane/examples)

# The programs find an installed rule from their own folder (for the permission hint).
file(RELATIVE_PATH HEADVANE_RULE_FROM_BINDIR
  /${CMAKE_INSTALL_BINDIR} /${HEADVANE_UDEV_RULES_DIR}/${HEADVANE_UDEV_RULE})

if(NOT WIN32)
  install(FILES packaging/${HEADVANE_UDEV_RULE} DESTINATION ${HEADVANE_UDEV_RULES_DIR} COMPONENT files)
endif()
install(FILES examples/headset.json DESTINATION ${HEADVANE_EXAMPLES_DIR} COMPONENT files)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT files)
