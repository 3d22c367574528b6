# The Debian package: the installation of CMakeLists.txt under /usr, built by
# CPack's DEB generator (`cmake --workflow --preset package`, or `cpack -G
# DEB` in any configured build). The package depends on the shared libraries
# the programs link, as dpkg-shlibdeps finds them, and recommends gnuplot for
# the report's charts.

# Debian keeps a package's changelog gzipped beside its copyright. Its first
# entry names the version being packaged, so a new project version needs a
# new entry.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^diagsum \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not start with an entry for ${PROJECT_VERSION}: add one")
endif()
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9n < ${CMAKE_CURRENT_LIST_DIR}/changelog > ${changelog_gz}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  COMMENT "Package changelog")
add_custom_target(package-changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package installs under /usr, and the programs look for their message
# catalogs under the prefix they were built for.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(STATUS "A Debian package of this build would look for its catalogs under ${CMAKE_INSTALL_PREFIX}; "
                 "the package preset builds for /usr")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME diagsum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "diagsum developers")
set(CPACK_PACKAGE_CONTACT "diagsum developers <dev@diagsum.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measures how fast POSIX threads sum every diagonal of a matrix")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox | gnuplot")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; the summary above is its first line.
set(CPACK_PACKAGE_DESCRIPTION "diagsum times how long a group of POSIX worker threads takes to sum every
diagonal of a single-precision matrix, sweeping the number of workers and
printing the mean processor time per count. Workers are started either for
every run or once per count (an OpenMP pool), so the cost of starting a
thread can be told apart from the summation.

The package holds three programs: diagsum (the sweep, with a log and an
export in Google Benchmark's JSON format), diagsum-single (one run with the
full report) and diagsum-report (statistics of the logged runs as a Markdown
table, speedup and efficiency, and charts drawn with gnuplot).")

include(CPack)
