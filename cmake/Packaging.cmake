# Installing OrnUpdate (cmake --install) and its Debian package (cpack -G DEB).
# The language file orn.txt and the fallback list OrnRes.dat are installed by resources/.
# The package puts the files under CMAKE_INSTALL_PREFIX, the prefix the program was built for,
# so that it finds its data folder: configure with -DCMAKE_INSTALL_PREFIX=/usr for a package.
install(TARGETS OrnUpdate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/ornupdate.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ornupdate)
set(CPACK_PACKAGE_VENDOR Pelmarotex)
set(CPACK_PACKAGE_CONTACT "Pelmarotex <ornupdate@pelmarotex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Updater of the ORN program from its FTP update server")
set(CPACK_PACKAGE_DESCRIPTION "Started in the installation folder of ORN, OrnUpdate lists the \
update server's program tree, downloads the 7-Zip archive of every new or newer file, unpacks \
it in place, and fetches the database scripts that the installation does not hold yet.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The window needs Qt's platform plugins (only recommended by libqt6gui6); the 7-Zip tool is run
# for every update.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, qt6-qpa-plugins, libcurl4, libacl1, libsodium23, 7zip | p7zip-full")
include(CPack)
