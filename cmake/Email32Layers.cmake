# The module's folders are layers: each is a static library that links only
# the layers below it. No target has the source root on its include path;
# each sees a folder's headers through a root of that folder's own in the
# build tree (layers/NAME/FOLDER, a link to the sources), which the layer
# passes on to whoever links it. An include of a layer that a target does not
# link therefore finds no file, and the build stops there.

# email32_layer_headers(TARGET FOLDER): TARGET and what links it see
# "FOLDER/...".
function(email32_layer_headers target folder)
  string(REPLACE "/" "_" name "${folder}")
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# email32_layer(FOLDER SOURCES... LINKS layers and libraries...): the static
# library email32_<folder> of the module's code in FOLDER (gif/core gives
# email32_gif_core). Its objects make Email32.dll (EMAIL32_LAYERS lists them
# for it); the unit tests link the layers they reach into.
function(email32_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "SOURCES;LINKS")
  string(REPLACE "/" "_" name "${folder}")
  set(target email32_${name})
  add_library(${target} STATIC ${LAYER_SOURCES})
  email32_layer_headers(${target} ${folder})
  target_compile_definitions(${target} PUBLIC EMAIL32_BUILDING)
  target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
  set_property(GLOBAL APPEND PROPERTY EMAIL32_LAYERS ${target})
endfunction()
