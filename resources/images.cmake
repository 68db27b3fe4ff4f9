# Renders the committed SVG sources under images/ into the bitmaps and icons that
# KelVoxStudio.rc includes. Include it from resources/CMakeLists.txt.
#
# Needs rsvg-convert (Debian: librsvg2-bin) and imagetool: the target of that name when the
# tools tree is part of this build, otherwise ${KV_HOST_TOOLS}/imagetool from the native
# build, which the win64 preset points at.
#
# Sets, all inside ${CMAKE_CURRENT_BINARY_DIR} (also given as KV_IMG_DIR):
#   KV_IMG_TOOLBAR           toolbar.bmp            bitmap 147, 288x24 32-bit with alpha
#   KV_IMG_TOOLBAR_DISABLED  toolbar-disabled.bmp   bitmap 148, the same drawn disabled
#   KV_IMG_APP_ICON          app.ico                icon 107
#   KV_IMG_PROJECT_ICON      project.ico            the default icon of a new project
#   KV_IMG_TAB_BUTTONS       tab-buttons.bmp        bitmap 149, 64x16 24-bit, white transparent
#   KV_IMG_PICTURE_METHOD    picture-method.bmp     KV_DATA 154, 16x16 32-bit BMP (V5 header)
#   KV_IMG_PICTURE_PROPERTY  picture-property.bmp   KV_DATA 155, the same layout
#   KV_IMG_PICTURE_OBJECT    picture-object.bmp     KV_DATA 111, the same layout
#   KV_IMG_TREE              tree.bmp               bitmap 145, 128x16 32-bit with alpha
#   KV_IMG_FIND_BUTTONS      find-buttons.bmp       bitmap 150, 80x16 24-bit, white transparent
#   KV_IMG_DRAG_CURSORS      drag-cursors.bmp       bitmap 151, 32x16 32-bit with alpha
# and adds the target kv_images that builds them.

include_guard(DIRECTORY)

find_program(KV_RSVG_CONVERT rsvg-convert REQUIRED)

if(TARGET imagetool)
  set(_kv_imagetool $<TARGET_FILE:imagetool>)
  set(_kv_imagetool_depends imagetool)
elseif(KV_HOST_TOOLS)
  set(_kv_imagetool ${KV_HOST_TOOLS}/imagetool)
  set(_kv_imagetool_depends ${_kv_imagetool})
  if(NOT EXISTS ${_kv_imagetool})
    message(STATUS "${_kv_imagetool} is not built yet: build the native preset before this one")
  endif()
else()
  message(FATAL_ERROR "images.cmake needs the imagetool target or KV_HOST_TOOLS")
endif()

set(_kv_img_sources ${CMAKE_CURRENT_LIST_DIR}/images)
set(_kv_img_rendered ${CMAKE_CURRENT_BINARY_DIR}/images)
file(MAKE_DIRECTORY ${_kv_img_rendered})
set(KV_IMG_DIR ${CMAKE_CURRENT_BINARY_DIR})

# Toolbar picture order is the button image index in the strip.
set(KV_TOOLBAR_PICTURES new-file open save save-all undo redo cut copy paste delete build run)
set(_kv_toolbar_size 24)
# Tab strip button cells, in image order: close, close hovered, list, list hovered.
set(KV_TAB_BUTTON_PICTURES tab-close tab-close-hover tab-list tab-list-hover)
# The member-list pictures of the source editor.
set(KV_EDITOR_PICTURES picture-method picture-property picture-object)
set(_kv_editor_size 16)
# Project tree pictures, in image list order: root, folder closed, folder open, source file,
# dialog window, external library, version information, bitmap (and icon fallback).
set(KV_TREE_PICTURES project folder-closed folder-open source-file dialog-window
    external-library version-info image)
# Find panel button cells: find next, find previous, replace, replace all, close.
set(KV_FIND_PICTURES find-next find-previous replace replace-all close)
# Drag cursor pictures: drop not allowed, drop allowed. The arrow's tip is the top-left
# pixel, the cursors' hotspot.
set(KV_DRAG_PICTURES drag-denied drag-allowed)

# _kv_render_svg(SVG SIZE PNG): PNG is SVG drawn at SIZE x SIZE pixels.
function(_kv_render_svg svg size png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${KV_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${svg}
    DEPENDS ${svg}
    COMMENT "Rendering ${svg} at ${size}x${size}"
    VERBATIM)
endfunction()

# _kv_icon(OUT NAME): OUT.ico from images/NAME/NAME-16.svg, NAME-32.svg and NAME.svg. The
# small sizes have their own drawings on their own pixel grid; 48 and 256 share the large one.
function(_kv_icon out name)
  set(dir ${_kv_img_sources}/${name})
  set(pngs)
  foreach(size 16 32 48 256)
    if(size EQUAL 16 OR size EQUAL 32)
      set(svg ${dir}/${name}-${size}.svg)
    else()
      set(svg ${dir}/${name}.svg)
    endif()
    set(png ${_kv_img_rendered}/${name}-${size}.png)
    _kv_render_svg(${svg} ${size} ${png})
    list(APPEND pngs ${png})
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${_kv_imagetool} ico ${out} ${pngs}
    DEPENDS ${pngs} ${_kv_imagetool_depends}
    COMMENT "Building ${out}"
    VERBATIM)
endfunction()

set(_kv_toolbar_pngs)
foreach(name IN LISTS KV_TOOLBAR_PICTURES)
  set(png ${_kv_img_rendered}/toolbar-${name}.png)
  _kv_render_svg(${_kv_img_sources}/toolbar/${name}.svg ${_kv_toolbar_size} ${png})
  list(APPEND _kv_toolbar_pngs ${png})
endforeach()

set(KV_IMG_TOOLBAR ${CMAKE_CURRENT_BINARY_DIR}/toolbar.bmp)
set(KV_IMG_TOOLBAR_DISABLED ${CMAKE_CURRENT_BINARY_DIR}/toolbar-disabled.bmp)
set(KV_IMG_APP_ICON ${CMAKE_CURRENT_BINARY_DIR}/app.ico)
set(KV_IMG_PROJECT_ICON ${CMAKE_CURRENT_BINARY_DIR}/project.ico)

add_custom_command(
  OUTPUT ${KV_IMG_TOOLBAR}
  COMMAND ${_kv_imagetool} strip ${KV_IMG_TOOLBAR} ${_kv_toolbar_pngs}
  DEPENDS ${_kv_toolbar_pngs} ${_kv_imagetool_depends}
  COMMENT "Building ${KV_IMG_TOOLBAR}"
  VERBATIM)
add_custom_command(
  OUTPUT ${KV_IMG_TOOLBAR_DISABLED}
  COMMAND ${_kv_imagetool} strip-disabled ${KV_IMG_TOOLBAR_DISABLED} ${_kv_toolbar_pngs}
  DEPENDS ${_kv_toolbar_pngs} ${_kv_imagetool_depends}
  COMMENT "Building ${KV_IMG_TOOLBAR_DISABLED}"
  VERBATIM)
_kv_icon(${KV_IMG_APP_ICON} app)
_kv_icon(${KV_IMG_PROJECT_ICON} project)

set(_kv_tab_button_pngs)
foreach(name IN LISTS KV_TAB_BUTTON_PICTURES)
  set(png ${_kv_img_rendered}/${name}.png)
  _kv_render_svg(${_kv_img_sources}/editor/${name}.svg ${_kv_editor_size} ${png})
  list(APPEND _kv_tab_button_pngs ${png})
endforeach()
set(KV_IMG_TAB_BUTTONS ${CMAKE_CURRENT_BINARY_DIR}/tab-buttons.bmp)
add_custom_command(
  OUTPUT ${KV_IMG_TAB_BUTTONS}
  COMMAND ${_kv_imagetool} strip-white ${KV_IMG_TAB_BUTTONS} ${_kv_tab_button_pngs}
  DEPENDS ${_kv_tab_button_pngs} ${_kv_imagetool_depends}
  COMMENT "Building ${KV_IMG_TAB_BUTTONS}"
  VERBATIM)

set(_kv_editor_bmps)
foreach(name IN LISTS KV_EDITOR_PICTURES)
  set(png ${_kv_img_rendered}/${name}.png)
  set(bmp ${CMAKE_CURRENT_BINARY_DIR}/${name}.bmp)
  _kv_render_svg(${_kv_img_sources}/editor/${name}.svg ${_kv_editor_size} ${png})
  add_custom_command(
    OUTPUT ${bmp}
    COMMAND ${_kv_imagetool} bmpv5 ${bmp} ${png}
    DEPENDS ${png} ${_kv_imagetool_depends}
    COMMENT "Building ${bmp}"
    VERBATIM)
  list(APPEND _kv_editor_bmps ${bmp})
endforeach()
set(KV_IMG_PICTURE_METHOD ${CMAKE_CURRENT_BINARY_DIR}/picture-method.bmp)
set(KV_IMG_PICTURE_PROPERTY ${CMAKE_CURRENT_BINARY_DIR}/picture-property.bmp)
set(KV_IMG_PICTURE_OBJECT ${CMAKE_CURRENT_BINARY_DIR}/picture-object.bmp)

# _kv_strip(OUT COMMAND FOLDER PICTURES...): OUT from images/FOLDER/PICTURE.svg, each drawn
# at 16 x 16 and packed side by side by `imagetool COMMAND`.
function(_kv_strip out command folder)
  set(pngs)
  foreach(name IN LISTS ARGN)
    set(png ${_kv_img_rendered}/${folder}-${name}.png)
    _kv_render_svg(${_kv_img_sources}/${folder}/${name}.svg 16 ${png})
    list(APPEND pngs ${png})
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${_kv_imagetool} ${command} ${out} ${pngs}
    DEPENDS ${pngs} ${_kv_imagetool_depends}
    COMMENT "Building ${out}"
    VERBATIM)
endfunction()

set(KV_IMG_TREE ${CMAKE_CURRENT_BINARY_DIR}/tree.bmp)
set(KV_IMG_FIND_BUTTONS ${CMAKE_CURRENT_BINARY_DIR}/find-buttons.bmp)
set(KV_IMG_DRAG_CURSORS ${CMAKE_CURRENT_BINARY_DIR}/drag-cursors.bmp)
_kv_strip(${KV_IMG_TREE} strip tree ${KV_TREE_PICTURES})
_kv_strip(${KV_IMG_FIND_BUTTONS} strip-white find ${KV_FIND_PICTURES})
_kv_strip(${KV_IMG_DRAG_CURSORS} strip drag ${KV_DRAG_PICTURES})

add_custom_target(kv_images ALL
  DEPENDS ${KV_IMG_TOOLBAR} ${KV_IMG_TOOLBAR_DISABLED} ${KV_IMG_APP_ICON} ${KV_IMG_PROJECT_ICON}
          ${KV_IMG_TAB_BUTTONS} ${_kv_editor_bmps} ${KV_IMG_TREE} ${KV_IMG_FIND_BUTTONS}
          ${KV_IMG_DRAG_CURSORS})
