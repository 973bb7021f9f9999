# cmake -DNM=nm -DLIBRARIES="a.a|b.a" -P CheckNoGlobals.cmake
# Fails when one of the libraries defines writable data with external
# linkage: a variable the whole process shares. State belongs to objects the
# window owns or receives. Qt's generated meta-objects and the sanitizers'
# own bookkeeping (AddressSanitizer's ODR indicators) are left aside.
set(found "")
string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
foreach(library IN LISTS LIBRARIES)
    execute_process(COMMAND ${NM} -C --defined-only ${library}
                    OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${NM} failed on ${library}")
    endif()
    string(REPLACE "\n" ";" lines "${symbols}")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[0-9a-f]+ [BDGS] (.*)$")
            set(name "${CMAKE_MATCH_1}")
            if(NOT name MATCHES "::staticMetaObject$|^qt_incomplete_metaTypeArray|^typeinfo |^vtable |^__odr_asan|^__asan|^__ubsan|^__sancov")
                list(APPEND found "${library}: ${name}")
            endif()
        endif()
    endforeach()
endforeach()
if(found)
    list(JOIN found "\n  " report)
    message(FATAL_ERROR "Process-wide variables:\n  ${report}")
endif()
message(STATUS "No process-wide variables in ${LIBRARIES}")
