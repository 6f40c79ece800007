# The Debian package: `make package` (or `cpack -G DEB`) in a build folder
# makes k7_VERSION_ARCH.deb from the install rules. dpkg-shlibdeps finds the
# libraries the program links, the optional ones included when this build
# has them; what the program loads at run time without linking is named here.

set(K7_PACKAGE_MAINTAINER "K7 maintainers <maintainers@k7.invalid>" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME k7)
set(CPACK_PACKAGE_VENDOR "K7")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${K7_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data entry from paper forms and instruments into a database")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${K7_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The long description, after the summary line; CPack indents each line and
# writes the empty line as Debian's " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "K7 is a desktop data-entry program for field and laboratory records. A
plain-text CFG file names the variables of a record; K7 walks the operator
through them from the keyboard (typed values, menus picked by their first
letter, readings from serial balances and calipers), checks each value,
and saves every finished record in an SQLite database shown in a grid.

A record journal, an audit trail and regular backups keep what was typed.
Records can be verified by typing them a second time, exported as text,
Stata, SPSS or Excel files, and kept on a PostgreSQL server shared by
several stations.")
# Qt loads its SQLite driver as a plugin, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# Backups of a server database are made with pg_dump where it is installed.
if(K7_PQ_TARGET)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "postgresql-client")
endif()

include(CPack)
