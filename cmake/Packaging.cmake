# `make package`: a Debian package of the three programs and their data. Library dependencies
# come from the binaries (dpkg-shlibdeps); what is loaded at run time without being linked is
# named here: libxml2, which the programs open on first use (ICU's i18n library comes in the
# same package as the ICU library they link), and for the graphical client the QML modules its
# windows import and the font its Chinese text is drawn with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vokari)
set(CPACK_PACKAGE_VENDOR Vokari)
set(CPACK_PACKAGE_CONTACT "Vokari <vokari@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "City police service for residents")
set(CPACK_PACKAGE_DESCRIPTION
    "A one-key alarm, a directory of public service numbers, police news, rewarded crime reports\n\
and household-registration appointments, with stand-in services to run them on one machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)  # the debug information stays in the build tree
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libxml2, qml6-module-qtquick, qml6-module-qtquick-window, qml6-module-qtquick-controls, \
qml6-module-qtquick-templates, qml6-module-qtquick-layouts, qml6-module-qtquick-dialogs, \
qml6-module-qt-labs-folderlistmodel, qml6-module-qtqml-workerscript, fonts-noto-cjk")
include(CPack)
