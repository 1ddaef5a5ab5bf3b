# Warnings are errors for everything this project compiles itself.
function(zol_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wnon-virtual-dtor
                                             -Wcast-qual -Wformat=2 -Wimplicit-fallthrough)
endfunction()
