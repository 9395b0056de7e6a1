# The Debian package: manual pages, AppStream metainfo, Debian's copyright
# and changelog files, and CPack's DEB generator. Only with -DRUVO_PACKAGE=ON
# (scripts/package.sh); the normal build is left as it is.
option(RUVO_PACKAGE "Install the manual pages, AppStream and Debian files; set up CPack for a .deb" OFF)
if(NOT RUVO_PACKAGE)
    return()
endif()

# The package version: the project's version (the one place it is set),
# without a zero fourth number.
set(RUVO_DEB_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
if(PROJECT_VERSION_TWEAK)
    set(RUVO_DEB_VERSION ${RUVO_DEB_VERSION}.${PROJECT_VERSION_TWEAK})
endif()
# The date of this release: the metainfo's release, the manual pages' and the
# changelog's date. Change it together with the version.
set(RUVO_RELEASE_DATE 2026-12-10)
# The AppStream component id. A reverse domain name is expected; the project
# has no domain of its own yet, so this is a placeholder for the project's
# lead to replace (the metainfo file is named after it).
set(RUVO_APPSTREAM_ID org.example.ruvoteledit)
# Where the project is published, and the address of a published screenshot
# of the window (packaging/screenshots/window.png). Both are empty until the
# project has a public site: AppStream takes only web addresses for images.
set(RUVO_HOMEPAGE_URL "" CACHE STRING "The project's public web page (none yet)")
set(RUVO_SCREENSHOT_URL "" CACHE STRING "A published copy of packaging/screenshots/window.png (none yet)")
set(RUVO_DEB_MAINTAINER "ruvoteledit maintainers <maintainers@ruvoteledit.invalid>"
    CACHE STRING "The package's Maintainer field (a placeholder until the project names one)")

find_program(RUVO_GZIP gzip REQUIRED)
set(ruvo_pkg_dir ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(ruvo_pkg_src ${CMAKE_CURRENT_LIST_DIR})

# Debian's changelog date: RFC 5322, at noon UTC of the release date.
execute_process(COMMAND date -u -R -d "${RUVO_RELEASE_DATE} 12:00:00 UTC"
    OUTPUT_VARIABLE RUVO_RELEASE_DATE_RFC5322 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

# Optional metainfo parts, present once their address is known.
set(RUVO_APPSTREAM_URLS "")
if(RUVO_HOMEPAGE_URL)
    set(RUVO_APPSTREAM_URLS "<url type=\"homepage\">${RUVO_HOMEPAGE_URL}</url>")
endif()
set(RUVO_APPSTREAM_SCREENSHOTS "")
if(RUVO_SCREENSHOT_URL)
    set(RUVO_APPSTREAM_SCREENSHOTS "<screenshots>
    <screenshot type=\"default\">
      <caption>The window with a phone book open</caption>
      <caption xml:lang=\"ja\">電話帳を開いたウィンドウ</caption>
      <image type=\"source\">${RUVO_SCREENSHOT_URL}</image>
    </screenshot>
  </screenshots>")
endif()

# gzip -9n: the compression Debian asks for, without a name or time stamp.
set(ruvo_gz_files)
function(ruvo_gzip input output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${RUVO_GZIP} -9nc ${input} > ${output}
        DEPENDS ${input}
        COMMENT "gzip ${output}")
    set(ruvo_gz_files ${ruvo_gz_files} ${output} PARENT_SCOPE)
endfunction()

# Manual pages, English and Japanese.
foreach(page ruvoteledit ruvotel)
    foreach(lang en ja)
        if(lang STREQUAL en)
            set(src ${ruvo_pkg_src}/man/${page}.1.in)
            set(dest ${CMAKE_INSTALL_MANDIR}/man1)
        else()
            set(src ${ruvo_pkg_src}/man/${lang}/${page}.1.in)
            set(dest ${CMAKE_INSTALL_MANDIR}/${lang}/man1)
        endif()
        configure_file(${src} ${ruvo_pkg_dir}/man/${lang}/${page}.1 @ONLY)
        ruvo_gzip(${ruvo_pkg_dir}/man/${lang}/${page}.1 ${ruvo_pkg_dir}/man/${lang}/${page}.1.gz)
        install(FILES ${ruvo_pkg_dir}/man/${lang}/${page}.1.gz DESTINATION ${dest})
    endforeach()
endforeach()

# AppStream.
configure_file(${ruvo_pkg_src}/ruvoteledit.metainfo.xml.in
    ${ruvo_pkg_dir}/${RUVO_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${ruvo_pkg_dir}/${RUVO_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's documentation files, and the sample phone book the manual pages use.
set(ruvo_docdir ${CMAKE_INSTALL_DATADIR}/doc/ruvoteledit)
configure_file(${ruvo_pkg_src}/changelog.in ${ruvo_pkg_dir}/changelog @ONLY)
ruvo_gzip(${ruvo_pkg_dir}/changelog ${ruvo_pkg_dir}/changelog.gz)
install(FILES ${ruvo_pkg_dir}/changelog.gz DESTINATION ${ruvo_docdir})
install(FILES ${ruvo_pkg_src}/copyright DESTINATION ${ruvo_docdir})
install(FILES ${PROJECT_SOURCE_DIR}/examples/sample-phonebook.txt DESTINATION ${ruvo_docdir}/examples)

add_custom_target(ruvo_package_files ALL DEPENDS ${ruvo_gz_files})

# CPack: one .deb, installed to /usr, binaries stripped, dependencies from
# dpkg-shlibdeps plus what the window needs at run time.
set(CPACK_PACKAGE_NAME ruvoteledit)
set(CPACK_PACKAGE_VERSION ${RUVO_DEB_VERSION})
set(CPACK_PACKAGE_CONTACT "${RUVO_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phone book editor for Ruvo telephone sets")
# Debian's extended description: CPack puts the summary above it as the
# synopsis and indents it; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop editor, with a Japanese user interface, for the phone book of a
Ruvo telephone set: a tab-separated Shift-JIS (code page 932) text file of
six header lines and one entry per line (group, name, reading in katakana,
telephone number). It opens a file after making a .BAK copy beside it, adds,
copies, edits and deletes entries, and saves the file sorted by reading, then
group, in the order of the Windows Japanese comparison. Characters that
Shift-JIS cannot hold are refused, and unchanged fields are kept byte for
byte. It finds entries across kana forms and brings contacts in from, and
out to, vCard and CSV files (phones, Google Contacts, Outlook).

The package also holds ruvotel, a command-line tool that sorts a phone book
the way the editor saves it, prints one as UTF-8 text, exports it as vCard
or CSV, imports contacts into it with a report, and checks it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-mincho, qt6-translations-l10n")
# The dictionary that reading proposals come from; without it the editor
# and ruvotel work and propose nothing.
# qt6-wayland lets a Wayland session run the editor natively (without it,
# through Xwayland); adwaita-icon-theme gives the boxes and the file dialog
# icons drawn for every scale where the desktop names no theme of its own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mecab-ipadic-utf8, qt6-wayland, adwaita-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(RUVO_HOMEPAGE_URL)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${RUVO_HOMEPAGE_URL})
endif()
include(CPack)
