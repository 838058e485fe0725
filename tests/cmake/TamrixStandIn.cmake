# tamrix_stand_in(target folder [SOURCES file...] [LINK library...]
#                 [DEFINITIONS definition...])
# A library that a test program loads in place of the access library: named
# libtamrix.so and put in <current binary dir>/<folder>, the folder of its
# test program, where the loader looks first. Without SOURCES it is the
# scripted stand-in of tests/app, which logs what it was sent and answers as
# its DEFINITIONS script it.
function(tamrix_stand_in name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "SOURCES;LINK;DEFINITIONS")
  if(NOT arg_SOURCES)
    set(arg_SOURCES ${PROJECT_SOURCE_DIR}/tests/app/scripted_library.cpp)
    list(APPEND arg_LINK tamrix_headers)
  endif()
  add_library(${name} SHARED ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LINK})
  target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME tamrix CXX_VISIBILITY_PRESET hidden
                        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${folder})
endfunction()
