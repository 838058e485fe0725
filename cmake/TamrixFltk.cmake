# tamrix::fltk: the toolkit the windowing layer, the help viewer, their tests
# and the benchmarks draw with, and the X libraries under it. Found once
# here; its headers are SYSTEM so that their warnings are not ours.
find_package(X11 REQUIRED)
find_path(TAMRIX_FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_library(TAMRIX_FLTK_LIBRARY fltk REQUIRED)
add_library(tamrix::fltk INTERFACE IMPORTED)
target_include_directories(tamrix::fltk SYSTEM INTERFACE ${TAMRIX_FLTK_INCLUDE_DIR} ${X11_INCLUDE_DIR})
target_link_libraries(tamrix::fltk INTERFACE ${TAMRIX_FLTK_LIBRARY} ${X11_LIBRARIES})
