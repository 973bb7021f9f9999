# selvanto_add_test(NAME SOURCES... LIBS... [BROWSER])
# One Qt Test executable registered with CTest, run headless with a fixed locale.
# BROWSER marks tests that start the real Qt WebEngine.
function(selvanto_add_test name)
    cmake_parse_arguments(arg "BROWSER" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(arg_BROWSER AND NOT SELVANTO_BROWSER_TESTS)
        return()
    endif()
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${arg_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set(env "QT_QPA_PLATFORM=offscreen" "LC_ALL=C.UTF-8" "LANG=C.UTF-8" "TZ=Asia/Taipei"
        "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    if(arg_BROWSER)
        list(APPEND env "QTWEBENGINE_DISABLE_SANDBOX=1"
             "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu --no-first-run --disable-background-networking")
        set_tests_properties(${name} PROPERTIES LABELS browser RUN_SERIAL TRUE)
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${arg_TIMEOUT})
endfunction()
