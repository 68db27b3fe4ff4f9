# Puts the runtime pack into KelVoxStudio.exe as its last section, "kvrsrc", every time the
# executable is linked. Include it from app/CMakeLists.txt after the KelVoxStudio target
# (win64 only).
#
# The pack holds the default project icon (resources/images.cmake), the x64 runtime stub
# built here, the x86 runtime stub of the win32 build (KV_WIN32_STUB) and the macOS stub
# written by the host tool macho-stub; kvpack, also a host tool, attaches it. Host tools come
# from KV_HOST_TOOLS, the native build's tools folder.

include_guard(DIRECTORY)

if(NOT KV_HOST_TOOLS)
  message(FATAL_ERROR "PackedStudio.cmake needs KV_HOST_TOOLS (the native build's tools folder)")
endif()
set(KV_WIN32_STUB ${PROJECT_SOURCE_DIR}/out/win32/tools/runtime-stub/KelVoxRuntime.exe
    CACHE FILEPATH "The x86 runtime stub from the win32 build")
if(NOT EXISTS ${KV_WIN32_STUB})
  message(STATUS "${KV_WIN32_STUB} is not built yet: build the win32 preset before this one")
endif()

add_subdirectory(${PROJECT_SOURCE_DIR}/tools/runtime-stub ${CMAKE_BINARY_DIR}/tools/runtime-stub)
# kvpack for Windows, for packing on a Windows build host; this build packs with the host's.
add_subdirectory(${PROJECT_SOURCE_DIR}/tools/pack ${CMAKE_BINARY_DIR}/tools/pack.build)
# kvstamp for Windows: the same stamps as the native kvstamp, through the Windows API, for
# tests/e2e/resource-stamp.sh.
add_subdirectory(${PROJECT_SOURCE_DIR}/tools/stamp ${CMAKE_BINARY_DIR}/tools/stamp.build)
# kvcli for Windows: headless builds on Windows machines, and the build benchmark under Wine.
add_subdirectory(${PROJECT_SOURCE_DIR}/tools/cli ${CMAKE_BINARY_DIR}/tools/cli.build)
set(_kv_stub64 ${CMAKE_BINARY_DIR}/tools/runtime-stub/KelVoxRuntime.exe)

set(_kv_macos_stub ${CMAKE_BINARY_DIR}/tools/runtime-stub/KelVoxRuntime-macos)
add_custom_command(
  OUTPUT ${_kv_macos_stub}
  COMMAND ${KV_HOST_TOOLS}/macho-stub ${_kv_macos_stub}
  DEPENDS ${KV_HOST_TOOLS}/macho-stub
  COMMENT "Writing the macOS runtime stub"
  VERBATIM)
add_custom_target(kv_macos_stub DEPENDS ${_kv_macos_stub})

# The resources directory renders it; its path is fixed by images.cmake.
set(_kv_project_icon ${CMAKE_BINARY_DIR}/resources/project.ico)

set(_kv_pack_inputs ${_kv_project_icon} ${_kv_stub64} ${KV_WIN32_STUB} ${_kv_macos_stub})
add_dependencies(KelVoxStudio KelVoxRuntime kv_macos_stub kv_images)
# A changed pack input relinks the IDE, and so runs the packing step below again.
set_property(TARGET KelVoxStudio APPEND PROPERTY LINK_DEPENDS ${_kv_pack_inputs} ${KV_HOST_TOOLS}/kvpack)

# In place: kvpack replaces the linked executable only once the packed one reads back. The
# symbols stay, ahead of the pack.
add_custom_command(TARGET KelVoxStudio POST_BUILD
  COMMAND ${KV_HOST_TOOLS}/kvpack $<TARGET_FILE:KelVoxStudio> $<TARGET_FILE:KelVoxStudio> ${_kv_pack_inputs}
  COMMENT "Attaching the runtime pack to KelVoxStudio.exe"
  VERBATIM)
