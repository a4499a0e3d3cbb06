# Runs the Qt include check on small trees made here, one case a line, and
# fails when it passes a Qt include in a Qt-free folder or refuses a clean one.
#   cmake -DCHECK=<check_qt_includes.cmake> -DWORK=<scratch folder> -P qt_include_rule_test.cmake
set(folders "platform,settings,texts,engine,pict,inputs,batch,update,themes")

# folder|file|include line|expected (fail or pass)
set(cases
  "engine|convert.cpp|#include <QString>|fail"
  "pict|reader.cpp|#include <QtGui/QImage>|fail"
  "settings|ini.h|#  include \"QtCore\"|fail"
  "batch|run.cpp|#include <qglobal.h>|fail"
  "texts|table.cpp|  #include <QObject> // for tr|fail"
  "themes|slots.h|#include <QPixmap>|fail"
  "engine/overlays|frame.cpp|#include <QPainter>|fail"
  "platform|lock.cpp|#include <QtConcurrent>|fail"
  "update|check.cpp|#include <QNetworkAccessManager>|fail"
  "inputs|list.cpp|#include <QFileInfo>|fail"
  "ui|window.cpp|#include <QWidget>|pass"
  "app|main.cpp|#include <QApplication>|pass"
  "engine|load.cpp|#include <FreeImage.h>|pass"
  "inputs|scan.cpp|#include <queue>|pass"
  "batch|worker.cpp|// #include <QString> is not for this folder|pass"
  "engine|quick.cpp|#include \"engine/quick_draw.h\"|pass"
)

set(failures 0)
set(n 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 folder)
  list(GET fields 1 name)
  list(GET fields 2 line)
  list(GET fields 3 expected)
  math(EXPR n "${n} + 1")
  set(root ${WORK}/case${n}/src)
  file(REMOVE_RECURSE ${WORK}/case${n})
  file(WRITE ${root}/${folder}/${name} "#pragma once\n${line}\nint x;\n")
  # A clean file beside it must not change the verdict.
  file(WRITE ${root}/engine/clean.cpp "#include \"engine/clean.h\"\n")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${root} -DFOLDERS=${folders} -P ${CHECK}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(result EQUAL 0)
    set(got pass)
  else()
    set(got fail)
  endif()
  if(NOT got STREQUAL expected)
    message(SEND_ERROR "${folder}/${name} with '${line}': expected ${expected}, got ${got}\n${err}")
    math(EXPR failures "${failures} + 1")
  elseif(got STREQUAL "fail" AND NOT err MATCHES "${folder}/${name}")
    message(SEND_ERROR "${folder}/${name}: the refusal does not name the file\n${err}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${n} cases wrong")
endif()
message(STATUS "${n} cases as expected")
