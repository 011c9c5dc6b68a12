# Makes quorbex.1 from the program's --help and --version with help2man, and the files and examples
# of quorbex.h2m beside this file.
# cmake -DQUORBEX=program -DOUTPUT=quorbex.1 -DSTAMP=file -P ManPage.cmake
# A program that does not answer --version with "quorbex ..." gets no manual page, and the build
# goes on with a warning: one built for another machine cannot run here (tools/install-check.sh
# fails such an install).
find_program(HELP2MAN help2man)
find_program(TIMEOUT timeout)
file(REMOVE ${OUTPUT})
if(NOT HELP2MAN OR NOT TIMEOUT)
    message(WARNING "help2man or timeout not found (Debian packages help2man, coreutils): no manual page")
else()
    # A program that opens its window instead of answering must not hold the build up.
    # help2man names the page after the program it runs, so the wrapper carries the program's name.
    get_filename_component(wrapper_dir ${STAMP} DIRECTORY)
    set(wrapper ${wrapper_dir}/man-wrapper/quorbex)
    # It also marks the help's "Exit status:" as a section of its own, which help2man does not know.
    file(WRITE ${wrapper} "#!/bin/sh\nQT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \"${TIMEOUT}\" 10 \"${QUORBEX}\" \"$@\" | sed 's/^Exit status:$/*Exit status*/'\n")
    file(CHMOD ${wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                      WORLD_EXECUTE)
    execute_process(COMMAND ${wrapper} --version OUTPUT_VARIABLE version RESULT_VARIABLE status ERROR_QUIET)
    if(NOT status EQUAL 0 OR NOT version MATCHES "^quorbex ")
        message(WARNING "${QUORBEX} does not answer --version yet: no manual page")
    else()
        execute_process(
            COMMAND ${HELP2MAN} --no-info --section=1 "--name=download daily price histories into bar files"
                    --include=${CMAKE_CURRENT_LIST_DIR}/quorbex.h2m --output=${OUTPUT} ${wrapper}
            RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            file(REMOVE ${OUTPUT})
            message(FATAL_ERROR "help2man could not make ${OUTPUT}")
        endif()
    endif()
endif()
file(TOUCH ${STAMP})
