# The engine stands without any window: run as a test,
#   cmake -DLIST=<file> -P CheckEngineSeam.cmake
# where the file names, one per line, "source <path>" for every file of the engine's
# libraries and "link <library>" for every library they link. It fails when a library is a
# Qt one, when a file includes a Qt header, or when a file includes a project header that is
# not itself one of those files (a window header, the settings, port discovery ...).
cmake_minimum_required(VERSION 3.25)
file(STRINGS "${LIST}" entries)
set(sources "")
set(links "")
foreach(entry IN LISTS entries)
  if(entry MATCHES "^source (.*)$")
    list(APPEND sources "${CMAKE_MATCH_1}")
  elseif(entry MATCHES "^link (.*)$")
    list(APPEND links "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(problems "")
foreach(lib IN LISTS links)
  if(lib MATCHES "Qt")
    string(APPEND problems "links ${lib}\n")
  endif()
endforeach()

foreach(source IN LISTS sources)
  get_filename_component(root "${source}" DIRECTORY)
  get_filename_component(root "${root}" DIRECTORY)  # the folder that holds the module folders
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(line MATCHES "<(Q[A-Za-z]*|qt[a-z0-9]*/[^>]*)>")
      string(APPEND problems "${source}: ${line}\n")
    elseif(line MATCHES "\"([^\"]+)\"")
      if(NOT "${root}/${CMAKE_MATCH_1}" IN_LIST sources)
        string(APPEND problems "${source}: ${line} (not a file of the engine)\n")
      endif()
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(count EQUAL 0)
  message(FATAL_ERROR "no engine sources listed in ${LIST}")
endif()
if(problems)
  message(FATAL_ERROR "The engine reaches beyond itself:\n${problems}")
endif()
message(STATUS "${count} engine files include only each other and the system's headers")
