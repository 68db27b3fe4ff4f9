# Third-party libraries. Natively they come from the system's -dev packages; for mingw
# builds `./kelvox setup` builds them into a cache prefix that the toolchain file adds to
# CMAKE_FIND_ROOT_PATH.
find_package(LibLZMA REQUIRED)
if(WIN32)
  target_compile_definitions(LibLZMA::LibLZMA INTERFACE LZMA_API_STATIC)
endif()
if(KV_RUNTIME_ONLY)
  return()
endif()
find_package(LibXml2 REQUIRED)
if(KV_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

if(WIN32)
  target_compile_definitions(LibXml2::LibXml2 INTERFACE LIBXML_STATIC)
  # libxml2 built without iconv still needs Winsock for its nano HTTP stubs and bcrypt for
  # its random seed on some versions.
  target_link_libraries(LibXml2::LibXml2 INTERFACE ws2_32)

  find_path(SCINTILLA_INCLUDE_DIR Scintilla.h PATH_SUFFIXES scintilla REQUIRED)
  find_path(LEXILLA_INCLUDE_DIR Lexilla.h PATH_SUFFIXES lexilla REQUIRED)
  find_library(SCINTILLA_LIBRARY scintilla REQUIRED)
  find_library(LEXILLA_LIBRARY lexilla REQUIRED)
  add_library(Scintilla::Scintilla STATIC IMPORTED)
  set_target_properties(Scintilla::Scintilla PROPERTIES
    IMPORTED_LOCATION ${SCINTILLA_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${SCINTILLA_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES "imm32;msimg32;gdi32;ole32;DelayLoad::oleaut32;uuid;comctl32")
  add_library(Lexilla::Lexilla STATIC IMPORTED)
  set_target_properties(Lexilla::Lexilla PROPERTIES
    IMPORTED_LOCATION ${LEXILLA_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES "${LEXILLA_INCLUDE_DIR};${SCINTILLA_INCLUDE_DIR}")
endif()
