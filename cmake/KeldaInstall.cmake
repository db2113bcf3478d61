# SPDX-License-Identifier: MIT
# Installation in the FHS layout, the desktop files (entry, icon, MIME type, AppStream data), the
# Debian package and the tests of all these. Included from the top CMakeLists.txt after the targets.
include(GNUInstallDirs)

set(KELDA_DATA_DIR ${CMAKE_SOURCE_DIR}/data)
set(KELDA_ICON_SIZES 16 24 32 48 64 128 256)

# ---------------------------------------------------------------- the icon inside the program
if(TARGET kelda_gui)
  set(icon_files "")
  foreach(size IN LISTS KELDA_ICON_SIZES)
    set(png ${KELDA_DATA_DIR}/icons/hicolor/${size}x${size}/apps/kelda.png)
    set_source_files_properties(${png} PROPERTIES QT_RESOURCE_ALIAS kelda-${size}.png)
    list(APPEND icon_files ${png})
  endforeach()
  qt_add_resources(kelda_gui kelda_icons PREFIX /kelda/icons FILES ${icon_files})
endif()

# ---------------------------------------------------------------- install rules
# Two components, one Debian package each: "cli" is kelda-cli with its manual page, completion and
# JSON description (no Qt); "gui" is the window with its desktop files, help text and manual page.
# `cmake --install` without --component installs both.
set(KELDA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging/debian)
set(KELDA_CLI_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kelda-cli)
set(KELDA_GUI_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kelda)
foreach(program kelda-cli:cli kelda:gui)
  string(REPLACE ":" ";" program ${program})
  list(GET program 0 target)
  list(GET program 1 component)
  if(TARGET ${target})
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
    # A stripped install (cpack, cmake --install --strip) drops the compilers' notes too, as
    # Debian's own packages do; the programs do not read them.
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
                    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${target}\"
                                    COMMAND_ERROR_IS_FATAL ANY)
                  endif()"
            COMPONENT ${component})
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/src/app/kelda.TXT DESTINATION ${CMAKE_INSTALL_DATADIR}/kelda COMPONENT gui)
install(FILES ${KELDA_DATA_DIR}/kelda.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
install(FILES ${KELDA_DATA_DIR}/org.kelda.kelda.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT gui)
install(FILES ${KELDA_DATA_DIR}/kelda-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME kelda.xml COMPONENT gui)
install(DIRECTORY ${KELDA_DATA_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT gui)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${KELDA_GUI_DOCDIR} COMPONENT gui)
install(FILES ${CMAKE_SOURCE_DIR}/docs/cli-json.md ${CMAKE_SOURCE_DIR}/docs/cli-scan.schema.json
        DESTINATION ${KELDA_CLI_DOCDIR} COMPONENT cli)
install(FILES ${CMAKE_SOURCE_DIR}/data/completion/kelda-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT cli)

# Manual pages and the Debian changelog are installed compressed, as Debian's policy has them;
# gzip -n leaves out the name and time, so the same sources give the same bytes.
find_program(KELDA_GZIP gzip REQUIRED)
set(KELDA_COMPRESSED "")
function(kelda_gzip source output)
  add_custom_command(OUTPUT ${output} COMMAND ${KELDA_GZIP} -9 -n -c ${source} > ${output}
                     DEPENDS ${source} COMMENT "Compressing ${source}" VERBATIM)
  set(KELDA_COMPRESSED ${KELDA_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()
set(compressed_dir ${CMAKE_BINARY_DIR}/compressed)
file(MAKE_DIRECTORY ${compressed_dir})
kelda_gzip(${CMAKE_SOURCE_DIR}/docs/man/kelda-cli.1 ${compressed_dir}/kelda-cli.1.gz)
kelda_gzip(${CMAKE_SOURCE_DIR}/docs/man/kelda.1 ${compressed_dir}/kelda.1.gz)
kelda_gzip(${KELDA_PACKAGING_DIR}/changelog ${compressed_dir}/changelog.Debian.gz)
add_custom_target(kelda_compressed ALL DEPENDS ${KELDA_COMPRESSED})
install(FILES ${compressed_dir}/kelda-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES ${compressed_dir}/kelda.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT gui)
# Each package's folder in /usr/share/doc holds the machine-readable copyright (the project's
# licence and that of every library compiled in) and the changelog.
foreach(component cli gui)
  string(TOUPPER ${component} upper)
  install(FILES ${KELDA_PACKAGING_DIR}/copyright ${compressed_dir}/changelog.Debian.gz
          DESTINATION ${KELDA_${upper}_DOCDIR} COMPONENT ${component})
endforeach()
install(FILES ${KELDA_PACKAGING_DIR}/kelda-cli.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME kelda-cli COMPONENT cli)
install(FILES ${KELDA_PACKAGING_DIR}/kelda.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME kelda COMPONENT gui)

# ---------------------------------------------------------------- Debian packages (cpack -G DEB)
# Installing (and so cpack) takes the programs as built and does not first build everything else:
# scripts/check-package builds the programs and packages them without building the tests again.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# The Debian revision comes from the changelog's first line, "kelda (VERSION-REVISION) ...", whose
# VERSION must be the project's: the changelog is the one place a release is recorded.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KELDA_PACKAGING_DIR}/changelog
             ${KELDA_PACKAGING_DIR}/kelda-cli.description ${KELDA_PACKAGING_DIR}/kelda.description)
file(STRINGS ${KELDA_PACKAGING_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^kelda \\(([^-]+)-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog does not start with 'kelda (VERSION-REVISION)'")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/debian/changelog is at ${CMAKE_MATCH_1}, the project at ${PROJECT_VERSION}:"
                      " add a changelog entry for ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

set(CPACK_PACKAGE_NAME kelda)
set(CPACK_PACKAGE_VENDOR "the KELDA developers")
set(CPACK_PACKAGE_CONTACT "KELDA maintainers <maintainers@kelda.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kelda.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET kelda)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE kelda)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries each program links (ICU and the C++ runtime; Qt 6 for the window) from the
# programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Each description's first line is the synopsis; the text files keep CMake's list separator out.
file(READ ${KELDA_PACKAGING_DIR}/kelda-cli.description CPACK_DEBIAN_CLI_DESCRIPTION)
file(READ ${KELDA_PACKAGING_DIR}/kelda.description CPACK_DEBIAN_GUI_DESCRIPTION)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME kelda-cli)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME kelda)
# The window: kelda-cli of the very same build (the window's manual page and the README point to
# it), and the Qt platform plugin and a Japanese font, which it loads at run time by name.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS
    "kelda-cli (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}), qt6-qpa-plugins, fonts-vlgothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_GENERATOR DEB)
include(CPack)

# ---------------------------------------------------------------- tests
if(BUILD_TESTING)
  find_program(KELDA_DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(KELDA_APPSTREAMCLI appstreamcli)
  if(KELDA_DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_file_validate
             COMMAND ${KELDA_DESKTOP_FILE_VALIDATE} ${KELDA_DATA_DIR}/kelda.desktop)
  else()
    message(STATUS "desktop-file-validate not found: the desktop entry is not validated (scripts/install-deps dev)")
  endif()
  if(KELDA_APPSTREAMCLI)
    add_test(NAME appstream_validate COMMAND ${KELDA_APPSTREAMCLI} validate --no-net --pedantic
                                             ${KELDA_DATA_DIR}/org.kelda.kelda.metainfo.xml)
  else()
    message(STATUS "appstreamcli not found: the AppStream data is not validated (scripts/install-deps dev)")
  endif()
  foreach(t desktop_file_validate appstream_validate)
    if(TEST ${t})
      set_tests_properties(${t} PROPERTIES LABELS install)
    endif()
  endforeach()

  # The MIME type by content: Qt's MIME database given only our package, and the package installed
  # with update-mime-database and asked through xdg-mime.
  if(KELDA_BUILD_GUI)
    add_executable(test_install ${CMAKE_SOURCE_DIR}/tests/install/MimeTypeTest.cpp
                                ${CMAKE_SOURCE_DIR}/tests/install/XdgMimeTest.cpp)
    set_target_properties(test_install PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KELDA_TEST_OUTPUT_DIR})
    target_compile_definitions(test_install PRIVATE KELDA_MIME_XML="${KELDA_DATA_DIR}/kelda-mime.xml"
                                                    KELDA_CORPUS_DIR="${KELDA_CORPUS_DIR}"
                                                    KELDA_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
    target_link_libraries(test_install PRIVATE Qt6::Core GTest::gtest GTest::gtest_main)
    gtest_discover_tests(test_install DISCOVERY_TIMEOUT 60 PROPERTIES LABELS install)
  endif()

  # The installed tree: layout, validators on the installed files, the installed programs.
  if(TARGET kelda AND TARGET kelda-cli)
    add_test(NAME install_layout
             COMMAND ${CMAKE_SOURCE_DIR}/tests/install/check-install ${CMAKE_BINARY_DIR}
                     ${CMAKE_BINARY_DIR}/install-test ${KELDA_CORPUS_DIR})
    # Under the sanitizers the window's font libraries keep allocations until exit, as in the window tests.
    set_tests_properties(install_layout PROPERTIES LABELS install
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
  endif()
endif()
