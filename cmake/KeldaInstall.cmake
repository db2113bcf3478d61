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
foreach(program kelda kelda-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/src/app/kelda.TXT DESTINATION ${CMAKE_INSTALL_DATADIR}/kelda)
install(FILES ${KELDA_DATA_DIR}/kelda.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELDA_DATA_DIR}/org.kelda.kelda.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KELDA_DATA_DIR}/kelda-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME kelda.xml)
install(DIRECTORY ${KELDA_DATA_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages and completion come with the command-line work; installed when they are there.
foreach(page kelda.1 kelda-cli.1)
  if(EXISTS ${CMAKE_SOURCE_DIR}/docs/man/${page})
    install(FILES ${CMAKE_SOURCE_DIR}/docs/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
foreach(completion data/completion/kelda-cli)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${completion})
    install(FILES ${CMAKE_SOURCE_DIR}/${completion}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelda-cli)
    break()
  endif()
endforeach()

# ---------------------------------------------------------------- Debian package (cpack -G DEB)
set(CPACK_PACKAGE_NAME kelda)
set(CPACK_PACKAGE_VENDOR "the KELDA developers")
set(CPACK_PACKAGE_CONTACT "the KELDA developers <kelda@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inspect and convert MacBinary files, compute CRCs")
set(CPACK_PACKAGE_DESCRIPTION
    "KELDA tells whether a file is MacBinary (I, II or III), lists its 28 header fields, keeps a log\n"
    "of the files it read, and writes the file as MacBinary II, without its header, or as its data\n"
    "fork alone. It computes twelve 16- and 32-bit CRC variants of any file. The window speaks\n"
    "English and Japanese; kelda-cli does the same jobs from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries (Qt 6 widgets, ICU, the C++ runtime) from the programs themselves; the Qt platform
# plugin and a Japanese font, which the programs load at run time, by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-vlgothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
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
