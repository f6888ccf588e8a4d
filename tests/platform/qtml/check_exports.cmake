# Fails unless the engine library exports QuickTime's API alone: no C++
# name (_Z...), and no name its public headers do not declare as a function.
#   cmake -DLIBRARY=path/libqtmlClient.so -DHEADERS=path/include -P check_exports.cmake
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm could not read ${LIBRARY}")
endif()

file(GLOB headers ${HEADERS}/*.h)
set(declared "")
foreach(header ${headers})
  file(READ ${header} text)
  string(APPEND declared "${text}")
endforeach()

string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(cxx "")
set(undeclared "")
foreach(line ${lines})
  string(REGEX REPLACE "^.* " "" name "${line}")
  if(name MATCHES "^_Z")
    list(APPEND cxx ${name})
  elseif(NOT declared MATCHES "[^A-Za-z0-9_]${name}[ \t\n]*\\(")
    list(APPEND undeclared ${name})
  endif()
endforeach()

list(LENGTH lines count)
if(cxx OR undeclared)
  list(JOIN cxx "\n  " cxx)
  list(JOIN undeclared "\n  " undeclared)
  message(FATAL_ERROR "${LIBRARY} exports more than QuickTime's API\n"
                      "C++ names:\n  ${cxx}\nnames no public header declares:\n  ${undeclared}")
endif()
message(STATUS "${count} names exported, each declared in ${HEADERS}")
