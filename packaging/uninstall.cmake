# `make uninstall`: removes what the last install into PREFIX put there, as its
# manifest lists it, and nothing else. The users' databases and outputs live in
# their own folders and are in no manifest. A manifest from the earlier layout
# lists the program folder's working database too: that one goes only while it
# is still the empty one installed, for once imported into it is the user's.
#   cmake -DMANIFEST=... -DPREFIX=... -DEMPTY_DB=... -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "No install to undo: ${MANIFEST} is missing.")
endif()
get_filename_component(PREFIX "${PREFIX}" ABSOLUTE)
file(STRINGS "${MANIFEST}" _files)
set(_folders "")
foreach(_file IN LISTS _files)
    string(FIND "${_file}" "${PREFIX}/" _at)
    if(NOT _at EQUAL 0 OR NOT (EXISTS "${_file}" OR IS_SYMLINK "${_file}"))
        continue()
    endif()
    if(_file MATCHES "\\.mdb$" AND NOT _file MATCHES "/empty\\.mdb$")
        file(SHA256 "${_file}" _have)
        file(SHA256 "${EMPTY_DB}" _empty)
        if(NOT _have STREQUAL _empty)
            message(STATUS "Kept (holds data): ${_file}")
            continue()
        endif()
    endif()
    message(STATUS "Removing: ${_file}")
    file(REMOVE "${_file}")
    get_filename_component(_folder "${_file}" DIRECTORY)
    list(APPEND _folders "${_folder}")
endforeach()
# The program folder is ours alone; it goes once nothing is left in it. Shared
# folders such as bin or share/applications stay.
foreach(_folder IN LISTS _folders)
    if(_folder MATCHES "/ztadrcnv$")
        file(GLOB _left "${_folder}/*" "${_folder}/.*")
        if(NOT _left)
            file(REMOVE_RECURSE "${_folder}")
        endif()
    endif()
endforeach()
