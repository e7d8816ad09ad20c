# cmake -DROOT=<source folder> -P CheckSourceRules.cmake
#
# Fails naming every line that breaks a rule of the code's shape:
#  - cli/ is a program: only its own files include from it (what both programs share lives in app/);
#  - Qt belongs to the desktop program (shell/, controls/) and to the tools and benchmarks that
#    draw or time its widgets; the modules below must build and test without a display;
#  - a function says why it failed through an optional std::string* error, never through a
#    std::string& (README: one convention, so that every caller may pass null).
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()
set(qt_folders shell controls tools bench)
list(JOIN qt_folders ", " qt_names)

# Build folders may sit inside the source tree; they hold generated sources of their own.
file(GLOB tops RELATIVE ${ROOT} ${ROOT}/*)
set(files)
foreach(top ${tops})
  if(NOT IS_DIRECTORY ${ROOT}/${top} OR top MATCHES "^\\." OR EXISTS ${ROOT}/${top}/CMakeCache.txt)
    continue()
  endif()
  file(GLOB_RECURSE found RELATIVE ${ROOT} ${ROOT}/${top}/*.h ${ROOT}/${top}/*.hpp ${ROOT}/${top}/*.cpp
       ${ROOT}/${top}/*.cc ${ROOT}/${top}/*.c)
  list(APPEND files ${found})
endforeach()
list(LENGTH files count)
if(count LESS 100)
  message(FATAL_ERROR "only ${count} source files under ${ROOT}: is that the source folder?")
endif()

set(wrong)
foreach(f ${files})
  string(REGEX MATCH "^[^/]+" top ${f})
  file(STRINGS ${ROOT}/${f} lines REGEX "^[ \t]*#[ \t]*include|std::string ?& ?(error|why|reason)[,)]")
  foreach(line ${lines})
    if(NOT top STREQUAL "cli" AND line MATCHES "[\"<](\\.\\./)*cli/")
      list(APPEND wrong "${f}: ${line} (cli/ is a program: shared code goes into app/)")
    endif()
    if(NOT top IN_LIST qt_folders AND line MATCHES "<Q[A-Za-z]+(/|>)")
      list(APPEND wrong "${f}: ${line} (Qt only in ${qt_names})")
    endif()
    if(line MATCHES "std::string ?& ?(error|why|reason)[,)]" AND NOT line MATCHES "const std::string ?& ?(error|why|reason)")
      list(APPEND wrong "${f}: ${line} (a reason comes back through an optional std::string*)")
    endif()
  endforeach()
endforeach()

if(wrong)
  list(JOIN wrong "\n  " text)
  message(FATAL_ERROR "against the rules of the code:\n  ${text}")
endif()
message(STATUS "${count} source files, every include in its layer, every reason through std::string*")
