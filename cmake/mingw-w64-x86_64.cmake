# Cross-compiling for 64-bit Windows with Debian's mingw-w64, and running what is built
# under wine.
#
#   tools/windows/deps.sh       # once: libexif, GoogleTest and Qt built for Windows
#   cmake --preset windows && cmake --build --preset windows
#   source tools/windows/wine-env.sh build/windows && ctest --preset windows
#
# The libraries are looked for in the newest finished prefix of each package in deps.sh's
# cache, or only in TAMBLINOR_WINDOWS_PREFIXES (a list) when that is given.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix flavour: its libstdc++ has std::thread and std::mutex, the win32 one has not.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT DEFINED TAMBLINOR_WINDOWS_PREFIXES)
    if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
        set(_tamblinor_cache "$ENV{XDG_CACHE_HOME}/tamblinor/windows")
    else()
        set(_tamblinor_cache "$ENV{HOME}/.cache/tamblinor/windows")
    endif()
    set(_prefixes "")
    foreach(_package IN ITEMS libexif googletest qt6-base)
        # deps.sh writes the stamp last: a prefix without one is an interrupted build.
        file(GLOB _stamps "${_tamblinor_cache}/${_package}-[0-9]*/.built")
        list(SORT _stamps COMPARE NATURAL)
        if(_stamps)
            list(POP_BACK _stamps _newest)
            get_filename_component(_prefix "${_newest}" DIRECTORY)
            list(APPEND _prefixes "${_prefix}")
        endif()
    endforeach()
    # Once all three are there, kept in the cache: a build stays with the prefixes it was
    # configured with, and tools/windows/wine-env.sh finds their DLLs there.
    list(LENGTH _prefixes _found)
    if(_found EQUAL 3)
        set(TAMBLINOR_WINDOWS_PREFIXES "${_prefixes}" CACHE STRING
            "Prefixes of the Windows libexif, GoogleTest and Qt")
    else()
        set(TAMBLINOR_WINDOWS_PREFIXES "${_prefixes}")
    endif()
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAMBLINOR_WINDOWS_PREFIXES)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${TAMBLINOR_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the Windows libexif, never the machine's own .pc files.
set(_tamblinor_pc "")
foreach(_prefix IN LISTS TAMBLINOR_WINDOWS_PREFIXES)
    list(APPEND _tamblinor_pc "${_prefix}/lib/pkgconfig")
endforeach()
string(REPLACE ";" ":" _tamblinor_pc "${_tamblinor_pc}")
set(ENV{PKG_CONFIG_LIBDIR} "${_tamblinor_pc}")
set(ENV{PKG_CONFIG_PATH} "")

# Qt's moc, rcc and uic run on this machine: the host's Qt of the same version provides them.
if(NOT DEFINED QT_HOST_PATH)
    set(QT_HOST_PATH /usr)
endif()

find_program(TAMBLINOR_WINE NAMES wine64 wine)
if(TAMBLINOR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${TAMBLINOR_WINE}")
endif()
# Test lists are read when ctest runs, inside the wine set-up of wine-env.sh, so that
# building needs no wine at all.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
