# The release: what a student downloads. The two programs, the bundled
# models in a folder exemplos/ and the users' guide LEIA-ME.html (and the
# page quivor.html when QUIVOR_RELEASE_PAGE names it), nothing else, as one
# archive named after the project's version:
#   cmake --build --preset windows --target package -> quivor-VERSION-windows.zip
#   cmake --build --preset release --target package -> quivor-VERSION-linux-x86_64.tar.gz
#
# The zip unpacks with no folder of its own (Windows' "Extract all" makes
# one, named after the zip), so that the programs can also be unpacked
# straight into a folder of models; the tarball holds one folder, as is the
# custom on Linux.

# The guide: docs/LEIA-ME.html.in with its pictures (docs/guia-*.png)
# embedded as data: URIs, so that it stays one file that opens anywhere.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QUIVOR_GUIDE ${CMAKE_BINARY_DIR}/LEIA-ME.html)
file(GLOB QUIVOR_GUIDE_PICTURES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guia-*.png)
add_custom_command(
  OUTPUT ${QUIVOR_GUIDE}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/make_guide.py
          --version ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/docs/LEIA-ME.html.in ${QUIVOR_GUIDE}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/make_guide.py ${PROJECT_SOURCE_DIR}/docs/LEIA-ME.html.in
          ${QUIVOR_GUIDE_PICTURES}
  COMMENT "Users' guide LEIA-ME.html, its pictures embedded"
  VERBATIM)
add_custom_target(quivor_guide ALL DEPENDS ${QUIVOR_GUIDE})

# Everything the archive holds is in the component "release"; the archive
# installs that component alone, so that no install rule of a third-party
# project built here (GoogleTest, NLopt) can add to it.
install(TARGETS quivor quivor-study RUNTIME DESTINATION . COMPONENT release)
# The model files, and the sample table of strand tests the guide calibrates
# from (a table a run by hand leaves there is not taken).
file(GLOB QUIVOR_EXAMPLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.txt)
install(FILES ${QUIVOR_EXAMPLES} ${PROJECT_SOURCE_DIR}/examples/ensaios.csv DESTINATION exemplos
        COMPONENT release)
install(FILES ${QUIVOR_GUIDE} DESTINATION . COMPONENT release)
# The page quivor.html (the preset web), when it is given: the same
# programs in a browser, beside the native ones.
set(QUIVOR_RELEASE_PAGE "" CACHE FILEPATH "quivor.html to put in the archive (cmake --preset web)")
if(QUIVOR_RELEASE_PAGE)
  if(NOT EXISTS ${QUIVOR_RELEASE_PAGE})
    message(FATAL_ERROR "QUIVOR_RELEASE_PAGE: no ${QUIVOR_RELEASE_PAGE}; build the page first "
                        "(cmake --preset web && cmake --build --preset web)")
  endif()
  install(FILES ${QUIVOR_RELEASE_PAGE} DESTINATION . COMPONENT release)
endif()

set(CPACK_PACKAGE_NAME quivor)
set(CPACK_PACKAGE_VENDOR quivor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Spaghetti truss bridges: analysis, study and template")
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};quivor;release;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME quivor-${PROJECT_VERSION}-windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  string(TOLOWER ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR} QUIVOR_PACKAGE_SYSTEM)
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME quivor-${PROJECT_VERSION}-${QUIVOR_PACKAGE_SYSTEM})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  if(NOT QUIVOR_STATIC_PROGRAM OR QUIVOR_NLOPT_SHARED)
    message(STATUS "The package's programs are not both static: they will need this "
                   "system's libraries")
  endif()
endif()
include(CPack)
