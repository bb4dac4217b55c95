# wxWidgets, found once, as two small interface targets (CMake 3.25 ships none):
#   lumo_wx_base  the base library only (files, settings, strings); no GUI, wxUSE_GUI=0
#   lumo_wx_core  the GUI (core and base), for the desktop program and its tests
#   lumo_wx_propgrid  the property grid, for the desktop's properties pane
#   lumo_wx_aui  the docking manager that places the view and the panes
#   lumo_wx_stc  the text control (Scintilla) of the scene text pane
find_package(wxWidgets 3.2 REQUIRED COMPONENTS stc aui propgrid core base)
if(NOT wxWidgets_CONFIG_EXECUTABLE)
  message(FATAL_ERROR "wx-config was not found: install libwxgtk3.2-dev (scripts/setup)")
endif()

function(lumo_wx_target target libraries)
  execute_process(COMMAND ${wxWidgets_CONFIG_EXECUTABLE} --cxxflags ${libraries}
                  OUTPUT_VARIABLE cxxflags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${wxWidgets_CONFIG_EXECUTABLE} --libs ${libraries}
                  OUTPUT_VARIABLE libs OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(cxxflags UNIX_COMMAND "${cxxflags}")
  separate_arguments(libs UNIX_COMMAND "${libs}")
  add_library(${target} INTERFACE)
  foreach(flag ${cxxflags})
    if(flag MATCHES "^-I(.+)")
      # System headers: their warnings are not ours to fix.
      target_include_directories(${target} SYSTEM INTERFACE ${CMAKE_MATCH_1})
    elseif(flag MATCHES "^-D(.+)")
      target_compile_definitions(${target} INTERFACE ${CMAKE_MATCH_1})
    else()
      target_compile_options(${target} INTERFACE ${flag})
    endif()
  endforeach()
  target_link_libraries(${target} INTERFACE ${libs})
endfunction()

lumo_wx_target(lumo_wx_base base)
target_compile_definitions(lumo_wx_base INTERFACE wxUSE_GUI=0)
lumo_wx_target(lumo_wx_core core,base)
lumo_wx_target(lumo_wx_propgrid propgrid,core,base)
lumo_wx_target(lumo_wx_aui aui,core,base)
lumo_wx_target(lumo_wx_stc stc,core,base)

# GTK itself, under wxWidgets' GUI: what wx-config gives carries neither its headers nor its
# libraries. The desktop program names its controls for screen readers through GTK's
# accessibility objects (app/AccessibleNames.cpp), and its tests read them back.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET GLOBAL gtk+-3.0)
add_library(lumo_gtk INTERFACE)
target_link_libraries(lumo_gtk INTERFACE PkgConfig::GTK3)
