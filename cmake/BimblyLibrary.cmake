# bimbly_export_headers(TARGET target FOLDER folder [HEADERS h1 h2 ...] [PRIVATE_ONLY])
#
# Gives a target include roots of its own instead of the whole source tree, so
# a target sees the headers of the libraries it links and no others; includes
# are still written from the source root ("framework/window.h"). The target
# itself compiles against its whole folder; its users see the whole folder,
# or only the HEADERS named, or nothing with PRIVATE_ONLY.
function(bimbly_export_headers)
  cmake_parse_arguments(X "PRIVATE_ONLY" "TARGET;FOLDER" "HEADERS" ${ARGN})
  get_target_property(kind ${X_TARGET} TYPE)
  set(own ${CMAKE_BINARY_DIR}/include/${X_TARGET}/own)
  get_filename_component(parent ${own}/${X_FOLDER} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${X_FOLDER} ${own}/${X_FOLDER} SYMBOLIC)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${X_TARGET} INTERFACE ${own})
    return()
  endif()
  if(X_PRIVATE_ONLY)
    target_include_directories(${X_TARGET} PRIVATE ${own})
  elseif(X_HEADERS)
    set(shown ${CMAKE_BINARY_DIR}/include/${X_TARGET}/shown)
    file(MAKE_DIRECTORY ${shown}/${X_FOLDER})
    foreach(h ${X_HEADERS})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${X_FOLDER}/${h} ${shown}/${X_FOLDER}/${h} SYMBOLIC)
    endforeach()
    target_include_directories(${X_TARGET} PRIVATE ${own} INTERFACE ${shown})
  else()
    target_include_directories(${X_TARGET} PUBLIC ${own})
  endif()
endfunction()
