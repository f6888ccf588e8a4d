# Runs one script test (see CMakeLists.txt): FENRA, NAME, SOURCE_DIR, OUTPUT_DIR;
# XVFB_RUN to run it on a new X server.
set(args "")
file(MAKE_DIRECTORY ${OUTPUT_DIR})
if(EXISTS ${SOURCE_DIR}/${NAME}.args)
  file(STRINGS ${SOURCE_DIR}/${NAME}.args args)
endif()
# A script that needs files made first (movies made by ffmpeg) has NAME.sh
# beside it: it runs with a new empty directory as its argument, and the
# script then gets that directory as its first argument.
if(EXISTS ${SOURCE_DIR}/${NAME}.sh)
  set(files ${OUTPUT_DIR}/${NAME}.files)
  file(REMOVE_RECURSE ${files})
  file(MAKE_DIRECTORY ${files})
  execute_process(COMMAND sh ${SOURCE_DIR}/${NAME}.sh ${files}
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  ERROR_VARIABLE setup_err RESULT_VARIABLE setup_status)
  if(NOT setup_status EQUAL 0)
    message(FATAL_ERROR "${NAME}.sh failed (${setup_status}):\n${setup_err}")
  endif()
  list(PREPEND args ${files})
endif()
# Without a display (the test's environment has none), or on an X server
# of its own, as large as a desktop.
set(runner "")
if(XVFB_RUN)
  set(runner ${XVFB_RUN} -a -s "-screen 0 1280x1024x24")
endif()
execute_process(COMMAND ${runner} ${FENRA} run ${NAME}.bas ${args}
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)

set(failed FALSE)
# Compares `actual` with the file `expected_file`, keeping the actual text
# beside the build for a diff when they differ.
function(compare what actual expected_file)
  file(READ ${expected_file} expected)
  if(NOT actual STREQUAL expected)
    file(WRITE ${OUTPUT_DIR}/${NAME}.${what}.actual "${actual}")
    execute_process(COMMAND diff -u ${expected_file} ${OUTPUT_DIR}/${NAME}.${what}.actual
                    OUTPUT_VARIABLE difference)
    message("${NAME}: ${what} differs from ${expected_file}:\n${difference}")
    set(failed TRUE PARENT_SCOPE)
  endif()
endfunction()

set(expected_out ${SOURCE_DIR}/${NAME}.out)
if(XVFB_RUN AND EXISTS ${SOURCE_DIR}/${NAME}.xvfb.out)
  set(expected_out ${SOURCE_DIR}/${NAME}.xvfb.out)
endif()
compare(out "${out}" ${expected_out})
# NAME.after.sh looks at the files the script left (with ffprobe, say): it
# runs with the same directory, and must print exactly NAME.after.out.
if(EXISTS ${SOURCE_DIR}/${NAME}.after.sh)
  execute_process(COMMAND sh ${SOURCE_DIR}/${NAME}.after.sh ${files}
                  WORKING_DIRECTORY ${SOURCE_DIR}
                  OUTPUT_VARIABLE after_out RESULT_VARIABLE after_status)
  compare(after "${after_out}" ${SOURCE_DIR}/${NAME}.after.out)
  if(NOT after_status EQUAL 0)
    message("${NAME}.after.sh: exit status ${after_status}")
    set(failed TRUE)
  endif()
endif()
if(EXISTS ${SOURCE_DIR}/${NAME}.err)
  compare(err "${err}" ${SOURCE_DIR}/${NAME}.err)
  if(status EQUAL 0)
    message("${NAME}: succeeded, but should have stopped with an error")
    set(failed TRUE)
  endif()
elseif(NOT status EQUAL 0)
  message("${NAME}: exit status ${status}\n${err}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "${NAME}.bas failed")
endif()
