# zol_install_tool(TARGET): installs a command-line program into the Tools component. Its RUNPATH leads
# from its own directory to the libraries ($ORIGIN/../lib), so an installed tree runs wherever it was put.
file(RELATIVE_PATH ZOL_BINDIR_TO_LIBDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})

function(zol_install_tool target)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN/${ZOL_BINDIR_TO_LIBDIR}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Tools)
endfunction()
