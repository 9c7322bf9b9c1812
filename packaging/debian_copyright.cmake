# Writes the Debian copyright file (machine-readable format 1.0) from LICENSE,
# so the licence text lives in one file only.
file(READ ${FARROWGATE_LICENSE} licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${FARROWGATE_LICENSE})
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" holder_line "${licence}")
set(holder "${CMAKE_MATCH_1}")
string(FIND "${licence}" "Permission is hereby granted" body_start)
string(SUBSTRING "${licence}" ${body_start} -1 body)
string(STRIP "${body}" body)
# Continuation lines start with a space; an empty one is written " .".
string(REPLACE "\n\n" "\n.\n" body "${body}")
string(REPLACE "\n" "\n " body "${body}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: farrowgate\n"
  "Upstream-Contact: The FARROWGATE authors\n"
  "\n"
  "Files: *\n"
  "Copyright: ${holder}\n"
  "License: Expat\n"
  " ${body}\n")
