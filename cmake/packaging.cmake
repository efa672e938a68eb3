# SPDX-License-Identifier: GPL-3.0-or-later
# `make package`: a .deb of what `cmake --install` puts in place, installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vamrick)
set(CPACK_PACKAGE_VENDOR "The Vamrick developers")
set(CPACK_PACKAGE_CONTACT "The Vamrick developers <vamrick@vamrick.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "OBD-II diagnostics for passenger cars")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads live data, readiness monitors, trouble codes, freeze frames and test results from a\
 car's engine computer through the Vamrick scan tool or an ELM327-class adapter.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The platform plugins are loaded, not linked, so the library scan cannot find them; the
# offscreen one is what --report runs on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
include(CPack)
