# Compile settings shared by every target of our own code.
add_library(kv_warnings INTERFACE)
target_compile_options(kv_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
if(WIN32)
  # Wide-character Win32 API everywhere, Windows 10 as the floor.
  target_compile_definitions(kv_warnings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                             _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endif()

if(KV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Executables carry no runtime DLLs of the toolchain.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# kv_add_library(name SOURCES... [LIBS ...]): one static library of our own code.
function(kv_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE kv_warnings)
endfunction()

# kv_add_test(name SOURCES... [LIBS ...]): a GoogleTest program registered with ctest.
# Natively every test case is its own ctest entry; under Wine one entry per program
# keeps the emulator's start-up cost to one run.
function(kv_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main kv_warnings)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
