# System DLLs that the IDE needs only for some commands (image decoding, the file and font
# dialogs, Scintilla's Hanja conversion) are delay-loaded on Windows x64: each is mapped on
# the first call into it instead of at start, which keeps them and the DLLs they pull in
# (propsys, winspool, compstui, ...) out of the IDE's cold start.
#
# For each name NAME in KV_DELAY_LOADED the target DelayLoad::NAME links it: on x64 through
# an import library of the delay-load kind that dlltool makes at configure time from the
# exports listed in mingw-w64's own import library; elsewhere the plain import library.
set(KV_DELAY_LOADED gdiplus windowscodecs comdlg32 oleaut32)

function(kv_make_delay_import_library name out_library)
  find_library(KV_IMPORT_LIBRARY_${name} ${name} REQUIRED)
  execute_process(COMMAND ${CMAKE_NM} -g ${KV_IMPORT_LIBRARY_${name}}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_failed)
  if(nm_failed)
    message(FATAL_ERROR "${CMAKE_NM} could not list ${KV_IMPORT_LIBRARY_${name}}")
  endif()
  # Every export has an import thunk "__imp_NAME" in the import library.
  string(REGEX MATCHALL "__imp_[A-Za-z0-9_@?$]+" thunks "${symbols}")
  list(TRANSFORM thunks REPLACE "^__imp_" "")
  list(REMOVE_DUPLICATES thunks)
  list(SORT thunks)
  list(JOIN thunks "\n" exports)
  set(folder ${CMAKE_BINARY_DIR}/delay-load)
  file(MAKE_DIRECTORY ${folder})
  file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${folder}/${name}.def --dllname ${name}.dll
                          --output-delaylib ${folder}/lib${name}-delay.a
                  RESULT_VARIABLE dlltool_failed ERROR_VARIABLE dlltool_errors)
  if(dlltool_failed)
    message(FATAL_ERROR "dlltool could not make the delay-load library of ${name}.dll: ${dlltool_errors}")
  endif()
  set(${out_library} ${folder}/lib${name}-delay.a PARENT_SCOPE)
endfunction()

foreach(name ${KV_DELAY_LOADED})
  if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    kv_make_delay_import_library(${name} library)
    add_library(DelayLoad::${name} STATIC IMPORTED GLOBAL)
    set_target_properties(DelayLoad::${name} PROPERTIES IMPORTED_LOCATION ${library})
  else()
    add_library(DelayLoad::${name} INTERFACE IMPORTED GLOBAL)
    set_target_properties(DelayLoad::${name} PROPERTIES INTERFACE_LINK_LIBRARIES ${name})
  endif()
endforeach()
