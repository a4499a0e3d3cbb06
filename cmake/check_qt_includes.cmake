# Fails when a source file under one of the Qt-free folders includes a Qt
# header. Run as a script:
#   cmake -DROOT=<src folder> -DFOLDERS=engine,pict,... [-DSTAMP=<file>] -P check_qt_includes.cmake
# FOLDERS is comma-separated; a folder that does not exist yet is simply
# empty. STAMP is touched when every file passes, so the build runs the
# check again only when a scanned file changes.
if(NOT ROOT OR NOT FOLDERS)
  message(FATAL_ERROR "check_qt_includes: ROOT and FOLDERS are required")
endif()

# Qt's class headers (<QString>), its module headers and folders (<QtCore>,
# <QtWidgets/QWidget>) and its lower-case file headers (<qglobal.h>).
set(qt_include
    "^[ \t]*#[ \t]*include[ \t]*[<\"](Qt[A-Za-z0-9]*(/[^>\"]*)?|Q[A-Z][A-Za-z0-9]*|q[a-z0-9_]+\\.h)[>\"]")

string(REPLACE "," ";" folders "${FOLDERS}")
set(patterns)
foreach(folder IN LISTS folders)
  foreach(ext IN ITEMS h hpp cpp cc c inc)
    list(APPEND patterns "${ROOT}/${folder}/*.${ext}")
  endforeach()
endforeach()
file(GLOB_RECURSE files ${patterns})
list(SORT files)

set(offences)
foreach(file IN LISTS files)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "${qt_include}")
      file(RELATIVE_PATH shown "${ROOT}" "${file}")
      string(STRIP "${line}" line)
      list(APPEND offences "  ${shown}: ${line}")
    endif()
  endforeach()
endforeach()

if(offences)
  list(JOIN offences "\n" listing)
  message(FATAL_ERROR
    "Qt headers in folders that must stay free of Qt (${FOLDERS}):\n${listing}\n"
    "Only src/ui and src/app may use Qt; reach the window through an interface instead.")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
