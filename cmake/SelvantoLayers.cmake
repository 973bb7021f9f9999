# The layers: a core library links Qt Core and Qt Sql (and plain C
# libraries) only; widgets live in the ui/ libraries and the browser in
# gateway/webengine/. selvanto_check_core(target...) marks core libraries;
# once the whole tree is read, the configure stops when one of them reaches
# Qt Gui, Qt Widgets, Qt Network or Qt WebEngine, directly or through another
# library it links.

set(SELVANTO_CORE_FORBIDDEN Qt6::Gui Qt6::Widgets Qt6::WebEngineCore Qt6::WebEngineWidgets
    Qt6::Network)

# Collects into out_var every target that target links, directly or through
# the libraries it links.
function(_selvanto_link_closure target out_var)
    set(seen "")
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen OR NOT TARGET ${current})
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(alias ${current} ALIASED_TARGET)
        if(alias)
            list(APPEND pending ${alias})
        endif()
        get_target_property(type ${current} TYPE)
        set(links "")
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND links ${interface})
        endif()
        foreach(link IN LISTS links)
            # A static library's private links show up as $<LINK_ONLY:...>.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(TARGET ${link})
                list(APPEND pending ${link})
            endif()
        endforeach()
    endwhile()
    set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

function(_selvanto_check_core_links)
    get_property(core GLOBAL PROPERTY SELVANTO_CORE_LIBRARIES)
    foreach(target IN LISTS core)
        _selvanto_link_closure(${target} closure)
        foreach(forbidden IN LISTS SELVANTO_CORE_FORBIDDEN)
            if(forbidden IN_LIST closure)
                message(FATAL_ERROR "${target} belongs to the core but links ${forbidden}; "
                                    "widgets belong in a ui/ library, the browser in gateway/webengine/")
            endif()
        endforeach()
    endforeach()
endfunction()

function(selvanto_check_core)
    set_property(GLOBAL APPEND PROPERTY SELVANTO_CORE_LIBRARIES ${ARGN})
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _selvanto_check_core_links)
