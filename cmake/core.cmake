# The pure core: the units that need no window, browser engine or display (QtCore, QtGui
# and libjpeg only). The program's library, the tests, the benchmarks and the fuzz targets
# link it. The includer finds Qt6 (Core, Gui) and JPEG first and sets QUMO_ROOT.
# The core is what sits in a core/ folder of a subsystem: a unit moved there joins it, with
# no list to keep.
file(GLOB QUMO_CORE_SOURCES CONFIGURE_DEPENDS
     ${QUMO_ROOT}/src/*/core/*.cpp ${QUMO_ROOT}/src/*/core/*.h)

add_library(qumo_core STATIC ${QUMO_CORE_SOURCES})
target_include_directories(qumo_core PUBLIC ${QUMO_ROOT}/src)
target_link_libraries(qumo_core PUBLIC Qt6::Core Qt6::Gui JPEG::JPEG)
# The board's rotation must give the same doubles as its formula written out: no fused
# multiply-add, whatever the target processor.
set_source_files_properties(${QUMO_ROOT}/src/board/core/transforms.cpp
                            PROPERTIES COMPILE_OPTIONS -ffp-contract=off)
