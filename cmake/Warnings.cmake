# Warnings are errors for everything this project compiles itself.
function(zol_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wnon-virtual-dtor
                                             -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
    # GCC 12's optimiser reports these inside the standard library's vector and string code when tables
    # are built from initializer lists (false positives, all in library headers). The sanitizer build
    # checks the same code at run time, and optimised builds leave these out.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE
            $<$<NOT:$<CONFIG:Debug>>:-Wno-maybe-uninitialized -Wno-array-bounds -Wno-restrict -Wno-use-after-free
                                           -Wno-stringop-overread -Wno-stringop-overflow>)
    endif()
endfunction()
