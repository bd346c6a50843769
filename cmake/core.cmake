# The pure core: the units that need no window, browser engine or display (QtCore, QtGui
# and libjpeg only). The program's library, the tests, the benchmarks and the fuzz targets
# link it. The includer finds Qt6 (Core, Gui) and JPEG first and sets QUMO_ROOT.
set(QUMO_CORE_SOURCES
  app/errors.cpp app/errors.h
  app/settings.cpp app/settings.h
  app/textstore.cpp app/textstore.h
  app/usagelog.cpp app/usagelog.h
  app/values.h
  board/chalk.cpp board/chalk.h
  board/history.cpp board/history.h
  board/picturesave.cpp board/picturesave.h
  board/transforms.cpp board/transforms.h
  browser/completion.cpp browser/completion.h
  browser/installlist.cpp browser/installlist.h
  browser/linkcommand.cpp browser/linkcommand.h
  browser/origin.cpp browser/origin.h
  browser/savetarget.cpp browser/savetarget.h
  folders/roster.cpp folders/roster.h
  mwex/bmpio.cpp mwex/bmpio.h
  mwex/jpegio.cpp mwex/jpegio.h
  mwex/pictureio.cpp mwex/pictureio.h
  mwex/resize.cpp mwex/resize.h
  platform/codec.cpp platform/codec.h
  platform/fs.cpp platform/fs.h
  platform/opendecision.cpp platform/opener.h
  platform/paths.cpp platform/paths.h
  platform/savefile.cpp platform/savefile.h)
list(TRANSFORM QUMO_CORE_SOURCES PREPEND ${QUMO_ROOT}/src/)

add_library(qumo_core STATIC ${QUMO_CORE_SOURCES})
target_include_directories(qumo_core PUBLIC ${QUMO_ROOT}/src)
target_link_libraries(qumo_core PUBLIC Qt6::Core Qt6::Gui JPEG::JPEG)
# The board's rotation must give the same doubles as its formula written out: no fused
# multiply-add, whatever the target processor.
set_source_files_properties(${QUMO_ROOT}/src/board/transforms.cpp
                            PROPERTIES COMPILE_OPTIONS -ffp-contract=off)
