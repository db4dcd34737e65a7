# The layering, checked at every configure (the top CMakeLists.txt says what it is).
#
# tamblinor_layer(TARGET OUTSIDE KIND [USES FOLDER...]): stops the configure when TARGET
# takes what its layer may not, by an #include or by a link:
#   - a file of TARGET (each of its SOURCES in the project) includes a header of the
#     project outside TARGET's own folder and the FOLDERs (paths from the top: "naming",
#     "platform/files"; a folder covers those below it), or TARGET links, directly, a
#     library of the project that lies outside them;
#   - it includes or links, directly or through any library it links, what KIND does not
#     allow from outside the project:
#       standard  the C++ standard library only (no other header, no other library)
#       system    anything but Qt: the system's headers and libraries, libexif, CLI11...
#       qtcore    anything but Qt beyond Qt Core
#       qt        anything
# Nothing is checked for a TARGET that is not built (the settings store without the
# window). Includes are checked as the files stand at configure time; CI configures afresh.
#
# tamblinor_forbid_links(TARGET REGEX): stops the configure when TARGET links, directly or
# through any library it links, a target or library whose name matches REGEX.

# The headers of the C++ standard library (C++20, and the C library's in their C++ form).
set(_tamblinor_standard_headers
    algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv
    chrono cinttypes climits clocale cmath codecvt compare complex concepts condition_variable
    coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar
    cwchar cwctype deque exception execution filesystem format forward_list fstream
    functional future initializer_list iomanip ios iosfwd iostream istream iterator latch
    limits list locale map memory memory_resource mutex new numbers numeric optional ostream
    queue random ranges ratio regex scoped_allocator semaphore set shared_mutex
    source_location span sstream stack stdexcept stop_token streambuf string string_view
    syncstream system_error thread tuple type_traits typeindex typeinfo unordered_map
    unordered_set utility valarray variant vector version)
# Qt's headers, in each of their spellings: <QtCore/qdir.h>, <QDir>, <qglobal.h>.
set(_tamblinor_qt_header "^(Qt[A-Za-z]+/.+|Q[A-Z][A-Za-z0-9]*|q[a-z0-9_]+\\.h)$")
# Qt's libraries, and those that Qt Core brings along.
set(_tamblinor_qt_library "^Qt[0-9]*::")
set(_tamblinor_qt_core_library "^Qt[0-9]*::(Core|Platform|GlobalConfig|CorePrivate)$")

function(_tamblinor_links_of target out)
    set(seen "")
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue current)
        if(current IN_LIST seen OR NOT TARGET ${current})
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(type ${current} TYPE)
        set(properties INTERFACE_LINK_LIBRARIES)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            list(APPEND properties LINK_LIBRARIES)
        endif()
        foreach(property ${properties})
            get_target_property(links ${current} ${property})
            if(links)
                foreach(link ${links})
                    # $<LINK_ONLY:x> and other wrappers around a name
                    string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
                    list(APPEND queue ${link})
                    list(APPEND ${out}_all ${link})
                endforeach()
            endif()
        endforeach()
    endwhile()
    set(${out} ${${out}_all} PARENT_SCOPE)
endfunction()

function(tamblinor_forbid_links target regex)
    _tamblinor_links_of(${target} links)
    foreach(link ${links})
        if(link MATCHES "${regex}")
            message(FATAL_ERROR "layering: ${target} links ${link}")
        endif()
    endforeach()
endfunction()

# The folder of the project that holds `target`'s CMakeLists.txt ("platform/files"); empty
# for the top, and for a target that is not the project's own.
function(_tamblinor_folder_of target out)
    set(folder "")
    if(NOT TARGET ${target})
        set(${out} "" PARENT_SCOPE)
        return()
    endif()
    get_target_property(imported ${target} IMPORTED)
    if(NOT imported)
        get_target_property(dir ${target} SOURCE_DIR)
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
        if(folder MATCHES "^\\.\\.")
            set(folder "")
        endif()
    endif()
    set(${out} "${folder}" PARENT_SCOPE)
endfunction()

# True when `path` ("platform/files/x.h", "platform/files") lies in one of `folders`.
function(_tamblinor_in_folders path folders out)
    foreach(folder ${folders})
        string(LENGTH "${folder}/" length)
        string(SUBSTRING "${path}/" 0 ${length} start)
        if(start STREQUAL "${folder}/")
            set(${out} TRUE PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${out} FALSE PARENT_SCOPE)
endfunction()

# Whether `header`, from outside the project, is one that `kind` allows.
function(_tamblinor_outside_allowed header kind out)
    set(allowed TRUE)
    if(kind STREQUAL "standard")
        if(NOT header IN_LIST _tamblinor_standard_headers)
            set(allowed FALSE)
        endif()
    elseif(kind STREQUAL "system")
        if(header MATCHES "${_tamblinor_qt_header}")
            set(allowed FALSE)
        endif()
    elseif(kind STREQUAL "qtcore")
        if(header MATCHES "${_tamblinor_qt_header}" AND NOT header MATCHES "^QtCore/")
            # <QDir> and <qglobal.h>: Qt Core's when its own include folder holds them.
            set(allowed FALSE)
            get_target_property(core_folders Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
            foreach(folder ${core_folders})
                if(folder MATCHES "/QtCore$" AND EXISTS "${folder}/${header}")
                    set(allowed TRUE)
                endif()
            endforeach()
        endif()
    elseif(NOT kind STREQUAL "qt")
        message(FATAL_ERROR "layering: unknown OUTSIDE ${kind}: standard, system, qtcore or qt")
    endif()
    set(${out} ${allowed} PARENT_SCOPE)
endfunction()

function(tamblinor_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTSIDE" "USES")
    if(NOT arg_OUTSIDE OR arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "layering: tamblinor_layer(TARGET OUTSIDE KIND [USES FOLDER...])")
    endif()
    if(NOT TARGET ${target})
        return()
    endif()
    _tamblinor_folder_of(${target} own)
    set(folders ${own} ${arg_USES})
    list(JOIN folders ", " named)

    # Its files' includes.
    get_target_property(dir ${target} SOURCE_DIR)
    get_target_property(sources ${target} SOURCES)
    foreach(source ${sources})
        if(NOT IS_ABSOLUTE "${source}")
            set(source "${dir}/${source}")
        endif()
        file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${source})
        if(shown MATCHES "^\\.\\." OR NOT shown MATCHES "\\.(c|cpp|h|hpp)$" OR NOT EXISTS ${source})
            continue() # made by the build (resources, moc), not written here
        endif()
        file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include")
        foreach(line ${lines})
            if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
                continue()
            endif()
            set(header ${CMAKE_MATCH_1})
            if(header MATCHES "/" AND EXISTS "${PROJECT_SOURCE_DIR}/${header}")
                _tamblinor_in_folders(${header} "${folders}" allowed)
                if(NOT allowed)
                    message(FATAL_ERROR "layering: ${shown} includes \"${header}\", but "
                        "${target} may include only from the project's ${named}")
                endif()
            else()
                _tamblinor_outside_allowed(${header} ${arg_OUTSIDE} allowed)
                if(NOT allowed)
                    message(FATAL_ERROR "layering: ${shown} includes <${header}>, but "
                        "${target} may take from outside the project only: ${arg_OUTSIDE}")
                endif()
            endif()
        endforeach()
    endforeach()

    # The project's libraries it links itself.
    get_target_property(direct ${target} LINK_LIBRARIES)
    foreach(link ${direct})
        string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
        if(TARGET ${link})
            _tamblinor_folder_of(${link} folder)
            _tamblinor_in_folders("${folder}" "${folders}" allowed)
            if(folder AND NOT allowed)
                message(FATAL_ERROR "layering: ${target} links ${link} of ${folder}, but "
                    "may use only the project's ${named}")
            endif()
        endif()
    endforeach()

    # Anything from outside the project, through whatever it links.
    _tamblinor_links_of(${target} links)
    foreach(link ${links})
        if(TARGET ${link})
            get_target_property(imported ${link} IMPORTED)
            if(NOT imported)
                continue() # the project's own, checked where it is linked
            endif()
        endif()
        if(arg_OUTSIDE STREQUAL "standard"
           OR (arg_OUTSIDE STREQUAL "system" AND link MATCHES "${_tamblinor_qt_library}")
           OR (arg_OUTSIDE STREQUAL "qtcore" AND link MATCHES "${_tamblinor_qt_library}"
               AND NOT link MATCHES "${_tamblinor_qt_core_library}"))
            message(FATAL_ERROR "layering: ${target} links ${link}, but may take from outside "
                "the project only: ${arg_OUTSIDE}")
        endif()
    endforeach()
endfunction()
