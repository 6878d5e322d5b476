# Debian's hardening flags from dpkg-buildflags, as a distribution build would use:
# position-independent executable, full RELRO with BIND_NOW, stack protector and
# _FORTIFY_SOURCE. Optimisation and debug information stay the build type's, so
# Debug stays unoptimised; _FORTIFY_SOURCE needs optimisation and is left out there.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
    message(STATUS "dpkg-buildflags not found: building without Debian's hardening flags")
    return()
endif()

function(zaplino_buildflags variable area)
    # The path maps would point debug information at "." and leave debuggers without the sources.
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env
            "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
            "DEB_${area}_MAINT_STRIP=-g -O2"
            ${DPKG_BUILDFLAGS} --get ${area}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(${variable} ${flags} PARENT_SCOPE)
endfunction()

zaplino_buildflags(HARDENING_CPPFLAGS CPPFLAGS)
zaplino_buildflags(HARDENING_CXXFLAGS CXXFLAGS)
zaplino_buildflags(HARDENING_LDFLAGS LDFLAGS)

foreach(flag ${HARDENING_CPPFLAGS})
    if(flag MATCHES "^-D_FORTIFY_SOURCE")
        add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
    else()
        add_compile_options(${flag})
    endif()
endforeach()
add_compile_options(${HARDENING_CXXFLAGS})
add_link_options(${HARDENING_LDFLAGS})
# Checked by the packaging tests.
set(ZAPLINO_HARDENED ON)
