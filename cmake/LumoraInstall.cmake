# Installation (make install, PREFIX / DESTDIR) and the Debian package
# (make package, through CPack).
#
# Installed layout under the prefix:
#   bin/lumora, bin/lumora-inspect
#   share/lumora/fonts/lumora-fonts.conf     (found by the program from bin/../share/lumora)
#   share/applications/lumora.desktop
#   share/icons/hicolor/NxN/apps/lumora.png
#   share/metainfo/org.lumora.Lumora.metainfo.xml
#   share/mime/packages/lumora-worksheet.xml
#   share/doc/lumora/README.md
include(GNUInstallDirs)

if(LUMORA_WIDGETS)
    set(_desktop ${CMAKE_SOURCE_DIR}/src/resources/desktop)
    install(TARGETS lumora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET lumora-inspect)
        install(TARGETS lumora-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
    install(FILES ${CMAKE_SOURCE_DIR}/src/resources/fonts/lumora-fonts.conf
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lumora/fonts)
    install(FILES ${_desktop}/lumora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${_desktop}/org.lumora.Lumora.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${_desktop}/lumora-worksheet.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    install(DIRECTORY ${LUMORA_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
    install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumora)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumora developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fast browser and viewer for folders of camera images")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumora shows the thumbnails of a folder of camera images (JPEG with EXIF, TIFF, RAW
through their embedded previews, PSD, BMP, GIF, ICO, CUR) with their shooting data,
culls them into worksheets and views them full size.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Lumora developers <lumora@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies are read off the binaries; the shipped font
# configuration maps the interface fonts to IPA Gothic, the window needs the
# platform plugins (xcb) that libqt6gui6 only recommends, and the icons
# and .lsl type need the desktop's shared databases.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-qpa-plugins, shared-mime-info, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good")
set(CPACK_STRIP_FILES ON)
include(CPack)
