# Proves that the layers keep their direction: each pair builds a one-line source of a layer
# that includes a header of another. The include of a layer below must compile; the include of
# a layer above (or beside) must not. The targets are built only by these tests.
function(lumo_layering_case name layer header expect_failure)
  set(source ${PROJECT_BINARY_DIR}/layering/${name}.cpp)
  file(WRITE ${source} "#include \"${header}\"\n")
  add_library(layering_${name} OBJECT EXCLUDE_FROM_ALL ${source})
  target_link_libraries(layering_${name} PRIVATE ${layer})
  add_test(NAME Layering.${name}
           COMMAND ${CMAKE_COMMAND} --build ${PROJECT_BINARY_DIR} --target layering_${name})
  # One build tool at a time in the build tree.
  set_tests_properties(Layering.${name} PROPERTIES WILL_FAIL ${expect_failure}
                       RESOURCE_LOCK build_tree)
endfunction()

lumo_layering_case(SceneMayIncludeCore lumo_scene core/Vector.h FALSE)
lumo_layering_case(CoreCannotIncludeScene lumo_core scene/Sphere.h TRUE)
lumo_layering_case(RenderMayIncludeScript lumo_render script/LumoDoc.h FALSE)
lumo_layering_case(ScriptCannotIncludeRender lumo_script render/Renderer.h TRUE)
lumo_layering_case(PlatformCannotIncludeScript lumo_platform script/LumoDoc.h TRUE)
lumo_layering_case(EngineCannotIncludeHeadless lumo_engine headless/HeadlessPlatform.h TRUE)
