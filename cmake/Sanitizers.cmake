# ZOL_SANITIZE is a list of sanitizers ("address;undefined", "thread") applied to every target.
set(ZOL_SANITIZE "" CACHE STRING "Sanitizers to build with (address;undefined or thread)")
if(ZOL_SANITIZE)
    list(JOIN ZOL_SANITIZE "," _zol_sanitizers)
    add_compile_options(-fsanitize=${_zol_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${_zol_sanitizers})
endif()
