# The windows in the Windows build: Qt for Windows comes through its own
# toolchain file (scripts/build-windows gives lib/cmake/Qt6/qt.toolchain.cmake,
# which chain-loads cmake/mingw-w64-posix.cmake); its host tools (moc, uic,
# rcc, lrelease) are Debian's. QCustomPlot has no Windows build in Debian:
# its source (scripts/build-qt-windows fetches Debian's) is compiled in,
# found beside the Qt in use as scripts/windows-paths places it.
get_filename_component(_qt_cache "${QT6_INSTALL_PREFIX}" DIRECTORY)
set(ZORIC_QCUSTOMPLOT_SOURCE "$ENV{ZORIC_QCUSTOMPLOT_SOURCE}" CACHE PATH "Folder of qcustomplot.cpp and qcustomplot.h")
if(NOT ZORIC_QCUSTOMPLOT_SOURCE)
  file(GLOB _found LIST_DIRECTORIES true "${_qt_cache}/qcustomplot-*-source")
  list(SORT _found)
  list(POP_BACK _found ZORIC_QCUSTOMPLOT_SOURCE)
endif()
if(NOT EXISTS "${ZORIC_QCUSTOMPLOT_SOURCE}/qcustomplot.cpp")
  message(FATAL_ERROR "No QCustomPlot source beside ${QT6_INSTALL_PREFIX}: run scripts/build-qt-windows")
endif()

find_package(Qt6 REQUIRED COMPONENTS PrintSupport)
add_library(zoric_qcustomplot STATIC ${ZORIC_QCUSTOMPLOT_SOURCE}/qcustomplot.cpp ${ZORIC_QCUSTOMPLOT_SOURCE}/qcustomplot.h)
set_target_properties(zoric_qcustomplot PROPERTIES AUTOMOC ON)
target_compile_options(zoric_qcustomplot PRIVATE -w)  # not ours to tidy
target_include_directories(zoric_qcustomplot SYSTEM PUBLIC ${ZORIC_QCUSTOMPLOT_SOURCE})
target_link_libraries(zoric_qcustomplot PUBLIC Qt6::Widgets Qt6::PrintSupport)
# Linked into the program, so not QCUSTOMPLOT_USE_LIBRARY (which means a DLL there).
add_library(QCustomPlotQt6::QCustomPlotQt6 ALIAS zoric_qcustomplot)

# A static Qt links the plugins a program names: the Windows platform and
# its native style; the window tests add the offscreen platform.
function(zoric_import_qt_plugins target)
  qt_import_plugins(${target} INCLUDE Qt6::QWindowsIntegrationPlugin Qt6::QWindowsVistaStylePlugin ${ARGN})
endfunction()
