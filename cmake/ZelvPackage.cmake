# Installation layout and the Debian package (CPack's DEB generator):
# kelmar-lite_VERSION_ARCH.deb with ZELVDesk, ZELVRenew, ZELVExcelImport, ZELVGUI_SCSI, zelvadmin, the example
# configuration, sounds, icon, desktop entry, AppStream metainfo and manual
# pages. scripts/package.sh builds it from a release tree; the package test
# packs the tree the test suite has built.
include(GNUInstallDirs)

set(ZELV_APP_ID com.brollyn.KelmarLite)
set(zelv_linux ${PROJECT_SOURCE_DIR}/resources/linux)
set(zelv_pkg_out ${PROJECT_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${zelv_pkg_out})

# Dates in the package follow SOURCE_DATE_EPOCH when it is set, so that two
# builds of one source give the same files.
string(TIMESTAMP ZELV_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP ZELV_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${zelv_linux}/${ZELV_APP_ID}.metainfo.xml
  ${zelv_pkg_out}/${ZELV_APP_ID}.metainfo.xml @ONLY)
configure_file(${zelv_linux}/changelog.in ${zelv_pkg_out}/changelog @ONLY)

# Debian wants manual pages and the changelog compressed, without a time stamp.
find_program(ZELV_GZIP gzip REQUIRED)
set(zelv_gz_outputs)
foreach(src IN ITEMS
    ${PROJECT_SOURCE_DIR}/docs/man/zelvadmin.1
    ${PROJECT_SOURCE_DIR}/docs/man/ZELVDesk.1
    ${PROJECT_SOURCE_DIR}/docs/man/ZELVRenew.1
    ${PROJECT_SOURCE_DIR}/docs/man/ZELVExcelImport.1
    ${PROJECT_SOURCE_DIR}/docs/man/ZELVGUI_SCSI.1
    ${zelv_pkg_out}/changelog)
  get_filename_component(name ${src} NAME)
  add_custom_command(OUTPUT ${zelv_pkg_out}/${name}.gz
    COMMAND ${ZELV_GZIP} -9nc ${src} > ${zelv_pkg_out}/${name}.gz
    DEPENDS ${src} VERBATIM)
  list(APPEND zelv_gz_outputs ${zelv_pkg_out}/${name}.gz)
endforeach()
add_custom_target(zelv_package_files ALL DEPENDS ${zelv_gz_outputs})

install(FILES ${zelv_pkg_out}/zelvadmin.1.gz ${zelv_pkg_out}/ZELVDesk.1.gz
  ${zelv_pkg_out}/ZELVRenew.1.gz ${zelv_pkg_out}/ZELVExcelImport.1.gz
  ${zelv_pkg_out}/ZELVGUI_SCSI.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${zelv_pkg_out}/changelog.gz ${zelv_linux}/copyright
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelmar-lite)
install(FILES ${zelv_linux}/${ZELV_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zelv_pkg_out}/${ZELV_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${zelv_linux}/${ZELV_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/sounds/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/kelmar-lite/sounds FILES_MATCHING PATTERN "*.wav")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelmar-lite)
set(CPACK_PACKAGE_VENDOR Brollyn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brollyn <support@brollyn.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tape vaulting wizard, upgrade utility and server tools")
set(CPACK_PACKAGE_DESCRIPTION
  "Kelmar Lite is the desktop side of an off-site tape-media vaulting service.
Operators move tape Volumes between the data centre and the vault provider's
sites by scanning their barcodes, recall them, audit what stands where and
keep move dates right, against a central Kelmar Server (PostgreSQL) or an
embedded SQLite database.
.
The package holds ZELVDesk (the wizard), ZELVRenew (the upgrade utility)
and zelvadmin (creates, fills and inspects a Kelmar Server database).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Loaded as plug-ins at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, qt6-speech-flite-plugin")
# ZELVRenew installs through PackageKit; desktop integration and mail
# through xdg-utils; the SCSI console drives changers with mtx and is
# started elevated through pkexec.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "packagekit-tools, xdg-utils, mtx, pkexec")
# cpack packs what is built; it never builds the whole tree (tests, benchmarks) first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
