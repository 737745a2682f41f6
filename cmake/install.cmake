# What `cmake --install` lays out, and the Debian package CPack makes of it
# (`cmake --build build --target package`).

install(TARGETS pinora2 pinoractl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/help/pages/ DESTINATION ${CMAKE_INSTALL_DATADIR}/pinora2/help)

# The icon: the drawing, and pictures of it in the sizes menus ask for.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${PROJECT_SOURCE_DIR}/share/pinora2.svg)
set(icon_pngs "")
foreach(size 16 24 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/share/icons/${size}/pinora2.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${icon_svg} -o ${png}
    DEPENDS ${icon_svg} VERBATIM)
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The menu entry, the software centre's description and the manual pages.
configure_file(${PROJECT_SOURCE_DIR}/share/pinora2.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/share/pinora2.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/share/man/pinora2.1.in ${CMAKE_BINARY_DIR}/share/man/pinora2.1
  @ONLY)
set(man_pages ${CMAKE_BINARY_DIR}/share/man/pinora2.1 ${PINORACTL_MANUAL})
set(man_gz "")
foreach(page ${man_pages})
  get_filename_component(name ${page} NAME)
  set(gz ${CMAKE_BINARY_DIR}/share/man/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9 -n -c ${page} > ${gz}
    DEPENDS ${page} VERBATIM)
  list(APPEND man_gz ${gz})
endforeach()
# Every Debian package says who made it and under what licence, and what changed.
execute_process(COMMAND date -u -R -d ${PINORA_RELEASE_DATE}
  OUTPUT_VARIABLE PINORA_RELEASE_DATE_RFC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/share/debian/changelog.in ${CMAKE_BINARY_DIR}/share/changelog @ONLY)
set(changelog_gz ${CMAKE_BINARY_DIR}/share/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/share/changelog > ${changelog_gz}
  DEPENDS ${CMAKE_BINARY_DIR}/share/changelog VERBATIM)
install(FILES ${PROJECT_SOURCE_DIR}/share/debian/copyright ${changelog_gz}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pinora2)
add_custom_target(pinora_share ALL DEPENDS ${icon_pngs} ${man_gz} ${changelog_gz})
add_dependencies(pinora_share pinoractl_manual_page)
install(FILES ${PROJECT_SOURCE_DIR}/share/pinora2.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/share/pinora2.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package. Its libraries' packages are found from the programs themselves; the
# platform plugins and the browser's own process are loaded at run time, so they are named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pinora2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pinora 2 developers <maintainers@pinora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "write, schedule and publish a school's daily notices")
set(CPACK_PACKAGE_DESCRIPTION
  "The staff of a school write their notices, each running from a start day
to an end day in one or more notice sets; the program makes one page for a
day and a set, to preview, print, upload by FTP, mail, or show full screen
in the entrance hall. Every workstation works on one shared database
folder, with no server. Includes pinoractl, the administration tool.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6webenginecore6-bin")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
