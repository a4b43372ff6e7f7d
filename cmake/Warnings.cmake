# Compiler warnings for every target of the project; -Werror when VORKELN_WERROR is on (CI).
function(vorkeln_set_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${VORKELN_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE
            -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
            -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
            $<$<BOOL:${VORKELN_WERROR}>:-Werror>)
    endif()
endfunction()
