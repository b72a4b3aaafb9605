# Packages: a Debian package of the Linux build; for Windows an MSI installer (wixl) and a
# ZIP of the same programs.
set(KOLVANTO_OHJEKUVAT ${PROJECT_SOURCE_DIR}/docs/frmMain.png ${PROJECT_SOURCE_DIR}/docs/frmPulma.png
    ${PROJECT_SOURCE_DIR}/docs/frmMain-raportti.png ${PROJECT_SOURCE_DIR}/docs/frmMain-raportti-win32.png
    ${PROJECT_SOURCE_DIR}/docs/raportti.png)
# The office guide as an HTML page, rendered from its Markdown at build time; the Windows page
# shows the Windows screenshots.
kolvanto_ohjelma(CMARK cmark REQUIRED)
set(KOLVANTO_OHJE_HTML ${CMAKE_BINARY_DIR}/ohje/kayttoohje.html)
add_custom_command(
  OUTPUT ${KOLVANTO_OHJE_HTML}
  COMMAND ${CMAKE_COMMAND} -DCMARK=${CMARK} -DLAHDE=${PROJECT_SOURCE_DIR}/docs/kayttoohje.md
          -DKOHDE=${KOLVANTO_OHJE_HTML} -DWINDOWS=${WIN32} -P ${PROJECT_SOURCE_DIR}/cmake/ohjesivu.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/kayttoohje.md ${PROJECT_SOURCE_DIR}/cmake/ohjesivu.cmake
  COMMENT "Käyttöohje HTML-sivuksi"
  VERBATIM)
add_custom_target(kayttoohje ALL DEPENDS ${KOLVANTO_OHJE_HTML})

if(WIN32)
  # The packages ship the programs without their debugging information (kolvanto.exe would be
  # some twenty times its size); the symbols stay in the build: the programs in bin/ keep them,
  # and each stripped copy in paketti/ names its .debug file beside it for a debugger.
  kolvanto_ohjelma(KOLVANTO_OBJCOPY x86_64-w64-mingw32-objcopy REQUIRED)
  set(KOLVANTO_RIISUTUT "")
  foreach(ohjelma kolvanto-cli kolvanto)
    if(NOT TARGET ${ohjelma})
      continue()
    endif()
    set(riisuttu ${CMAKE_BINARY_DIR}/paketti/${ohjelma}.exe)
    add_custom_command(
      OUTPUT ${riisuttu} ${riisuttu}.debug
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/paketti
      COMMAND ${KOLVANTO_OBJCOPY} --only-keep-debug $<TARGET_FILE:${ohjelma}> ${riisuttu}.debug
      COMMAND ${KOLVANTO_OBJCOPY} --strip-all --add-gnu-debuglink=${riisuttu}.debug
              $<TARGET_FILE:${ohjelma}> ${riisuttu}
      DEPENDS ${ohjelma}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/paketti
      COMMENT "${ohjelma}.exe pakettiin ilman virheenjäljitystietoja"
      VERBATIM)
    list(APPEND KOLVANTO_RIISUTUT ${riisuttu})
  endforeach()
  add_custom_target(riisutut ALL DEPENDS ${KOLVANTO_RIISUTUT})
  install(PROGRAMS ${KOLVANTO_RIISUTUT} DESTINATION .)
  set(KOLVANTO_OHJEKUVAT ${PROJECT_SOURCE_DIR}/docs/frmMain-win32.png
      ${PROJECT_SOURCE_DIR}/docs/frmPulma-win32.png ${PROJECT_SOURCE_DIR}/docs/frmMain-raportti.png
      ${PROJECT_SOURCE_DIR}/docs/frmMain-raportti-win32.png ${PROJECT_SOURCE_DIR}/docs/raportti.png)
  # The English developer README stays out: an office reads the Finnish guide.
  install(FILES ${KOLVANTO_OHJE_HTML} ${KOLVANTO_OHJEKUVAT} DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/TITO.TXT DESTINATION esimerkki)
  include(${CMAKE_CURRENT_LIST_DIR}/msi.cmake)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "kolvanto-${PROJECT_VERSION}-windows")
  # Everything in one folder "kolvanto", as the installer has it: unpacked in Downloads, the
  # settings file is Downloads\kolvantoTITO-JAKO.OMA beside it, not DownloadsTITO-JAKO.OMA.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX "/kolvanto")
else()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/kayttoohje.md
          ${KOLVANTO_OHJE_HTML} ${KOLVANTO_OHJEKUVAT} DESTINATION share/doc/kolvanto)
  # What Debian asks of every package: the copyright, the changelog (a native package's own)
  # and a manual page for each program, compressed reproducibly (no name, no time stamp).
  install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION share/doc/kolvanto)
  # The guide's first try: a small statement file to copy and split.
  install(FILES ${PROJECT_SOURCE_DIR}/examples/TITO.TXT DESTINATION share/doc/kolvanto/esimerkki)
  kolvanto_ohjelma(GZIP gzip REQUIRED)
  # Each carries the version of project() (cmake/versio.cmake).
  set(_pakatut "")
  foreach(lahde changelog kolvanto.1 kolvanto-cli.1)
    configure_file(${PROJECT_SOURCE_DIR}/data/${lahde}.in ${KOLVANTO_GENEROITU}/${lahde} @ONLY)
    set(pakattu ${CMAKE_BINARY_DIR}/paketti/${lahde}.gz)
    add_custom_command(
      OUTPUT ${pakattu}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/paketti
      COMMAND sh -c "${GZIP} -9 -n -c \"$1\" > \"$2\"" sh ${KOLVANTO_GENEROITU}/${lahde} ${pakattu}
      DEPENDS ${KOLVANTO_GENEROITU}/${lahde}
      VERBATIM)
    list(APPEND _pakatut ${pakattu})
  endforeach()
  add_custom_target(paketin_tiedostot ALL DEPENDS ${_pakatut})
  install(FILES ${CMAKE_BINARY_DIR}/paketti/changelog.gz DESTINATION share/doc/kolvanto)
  install(FILES ${CMAKE_BINARY_DIR}/paketti/kolvanto.1.gz ${CMAKE_BINARY_DIR}/paketti/kolvanto-cli.1.gz
          DESTINATION share/man/man1)
  configure_file(${PROJECT_SOURCE_DIR}/data/fi.vombra.kolvanto.metainfo.xml.in
                 ${KOLVANTO_GENEROITU}/fi.vombra.kolvanto.metainfo.xml @ONLY)
  install(FILES ${KOLVANTO_GENEROITU}/fi.vombra.kolvanto.metainfo.xml DESTINATION share/metainfo)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # dpkg-shlibdeps declares the libraries (Qt 6, libstdc++) the binaries were linked with.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vombra Oy <tuki@vombra.fi>")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
  # Debian's programs carry no debugging symbols.
  set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_PACKAGE_NAME kolvanto)
set(CPACK_PACKAGE_VENDOR "Vombra Oy")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Splits a cumulative TITO statement file into one file per company")
# Debian shows at most 80 columns a line.
set(CPACK_PACKAGE_DESCRIPTION
    "kolvanto splits the cumulative machine-readable account statement file (TITO)\n that a bank-connection program keeps appending to into one statement file per\n company. The program is in Finnish and is meant for bookkeeping offices.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vombra.fi/kolvanto.htm")
include(CPack)
