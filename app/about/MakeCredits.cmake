# Writes the credits source from the components' own licence files. Run with cmake -P and
#   -DOUTPUT=<file.cpp> -DCOMPONENTS=<a file of "name|licence file" lines>
# A missing licence file stops the build: the IDE is not shipped without its credits.
if(NOT OUTPUT OR NOT COMPONENTS)
  message(FATAL_ERROR "MakeCredits.cmake needs OUTPUT and COMPONENTS")
endif()
string(REPEAT "-" 80 rule)
set(text "")
set(first TRUE)
file(STRINGS "${COMPONENTS}" components)
foreach(component IN LISTS components)
  string(REPLACE "|" ";" parts "${component}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "The licence text of ${name} is missing: ${file} does not exist.")
  endif()
  file(READ "${file}" licence)
  string(REPLACE "\r\n" "\n" licence "${licence}")
  string(REGEX REPLACE "[ \t\n]+$" "" licence "${licence}")
  string(REGEX REPLACE "^\n+" "" licence "${licence}")
  if(NOT first)
    string(APPEND text "\n\n\n")
  endif()
  set(first FALSE)
  string(APPEND text "${name}\n${rule}\n${licence}")
endforeach()
string(APPEND text "\n")
string(REPLACE "\n" "\r\n" text "${text}")

# The bytes as an array, so that no character of the texts needs escaping in C++.
set(scratch "${OUTPUT}.txt")
file(WRITE "${scratch}" "${text}")
file(READ "${scratch}" hex HEX)
file(SIZE "${scratch}" size)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.new"
  "// Generated from the components' licence files; do not edit.\n"
  "#include \"app/about/Credits.h\"\n\n"
  "const unsigned char kCreditsText[] = {\n${bytes}0x00};\n"
  "const std::size_t kCreditsTextSize = ${size};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
