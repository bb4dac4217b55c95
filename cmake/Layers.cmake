# The engine's layers, each a library of its own that reaches only the layers below it:
#
#   platform            the framework services, as interfaces (and the settings stores)
#   core                vectors, rays, colours, the image
#   scene    -> core    objects, lights, textures
#   script   -> scene, platform       document, loader, writer, grammar
#   render   -> script, platform      tracer, shading, render driver
#   headless -> platform              the platform without a display (CLI, tests, bench, fuzz)
#
# Nothing puts the source root on an include path. Each layer's folder is reachable only
# through a folder of its own in the build tree (build/layers/NAME/NAME links to the sources),
# which lumo_layer adds to the layer's target and so to what links it. An include of a layer
# that a target does not link therefore fails to compile: tests/Layering.cmake proves it.

function(lumo_layer target folder)
  set(dir ${PROJECT_BINARY_DIR}/layers/${folder})
  if(NOT EXISTS ${dir}/${folder})
    file(MAKE_DIRECTORY ${dir})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${dir})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${dir})
  else()
    target_include_directories(${target} PUBLIC ${dir})
  endif()
endfunction()
