# Installing OrnUpdate (cmake --install) and its Debian package (cpack -G DEB).
# The language file orn.txt and the fallback list OrnRes.dat are installed by resources/, ornpack
# by tools/.
# The package puts the files under CMAKE_INSTALL_PREFIX, the prefix the program was built for,
# so that it finds its data folder: configure with -DCMAKE_INSTALL_PREFIX=/usr for a package.
install(TARGETS OrnUpdate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/ornupdate.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# Manual pages and the changelog are installed compressed as Debian wants them: gzip -9 without
# the file's name and time in the header, so that the same source gives the same bytes.
find_program(ORN_GZIP gzip REQUIRED)
set(ORN_COMPRESSED_DIR ${PROJECT_BINARY_DIR}/compressed)
# Adds a build rule that writes ${ORN_COMPRESSED_DIR}/<name>.gz from source; sets <output_var>
# to the written file's path.
function(orn_compress source name output_var)
  set(copy ${ORN_COMPRESSED_DIR}/${name})
  add_custom_command(
    OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORN_COMPRESSED_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${ORN_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  set(${output_var} ${copy}.gz PARENT_SCOPE)
endfunction()

orn_compress(${PROJECT_SOURCE_DIR}/docs/man/OrnUpdate.1 OrnUpdate.1 ORN_MAN_ORNUPDATE)
orn_compress(${PROJECT_SOURCE_DIR}/docs/man/ornpack.1 ornpack.1 ORN_MAN_ORNPACK)
install(FILES ${ORN_MAN_ORNUPDATE} ${ORN_MAN_ORNPACK} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's own documents: the Debian changelog (a native package's changelog.gz), the
# copyright file, and the lintian overrides (each with the reason it is kept).
set(ORN_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/cmake/debian)
orn_compress(${ORN_DEBIAN_DIR}/changelog changelog ORN_CHANGELOG)
install(FILES ${ORN_CHANGELOG} ${ORN_DEBIAN_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ornupdate)
install(FILES ${ORN_DEBIAN_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ornupdate)
add_custom_target(orncompressed ALL DEPENDS ${ORN_MAN_ORNUPDATE} ${ORN_MAN_ORNPACK} ${ORN_CHANGELOG})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ornupdate)
set(CPACK_PACKAGE_VENDOR Pelmarotex)
set(CPACK_PACKAGE_CONTACT "Pelmarotex <ornupdate@pelmarotex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Updater of the ORN program from its FTP update server")
# Lines of at most 80 characters, as Debian's description field wants them.
set(CPACK_PACKAGE_DESCRIPTION "Started in the installation folder of ORN, OrnUpdate lists the update
server's program tree, downloads the 7-Zip archive of every new or newer file,
unpacks it in place, and fetches the database scripts that the installation
does not hold yet. It runs with its window or from the command line.
The package also holds ornpack, which publishes a release of ORN as the
server tree that OrnUpdate reads.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Binaries without their debugging symbols.
set(CPACK_STRIP_FILES TRUE)
# The libraries the programs link come from dpkg-shlibdeps. Named here: the window needs Qt's
# platform plugins (only recommended by libqt6gui6); the 7-Zip tool is run for every update.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, 7zip | p7zip-full")
include(CPack)
