# A binding class declares exactly the library's exports, under the same names, except those
# listed as unbindable (UnrealScript has no type for them).
# -DEXPORTS_FILE=path -DBINDING=path.uc [-DUNBOUND=name,name]
include("${CMAKE_CURRENT_LIST_DIR}/../cmake/ExportList.cmake")
read_export_list("${EXPORTS_FILE}" expected)
if(UNBOUND)
    string(REPLACE "," ";" unbound "${UNBOUND}")
    list(REMOVE_ITEM expected ${unbound})
endif()
list(SORT expected)

file(READ "${BINDING}" text)
string(REGEX MATCHALL "dllimport final function[^(]*\\(" declarations "${text}")
set(declared "")
foreach(declaration IN LISTS declarations)
    string(REGEX REPLACE "^dllimport final function +([A-Za-z_]+ +)?([A-Za-z_0-9]+) *\\($" "\\2" name
           "${declaration}")
    list(APPEND declared "${name}")
endforeach()
list(SORT declared)
if(NOT declared STREQUAL expected)
    message(FATAL_ERROR "${BINDING}\n  exports:  ${expected}\n  declared: ${declared}")
endif()
string(REGEX MATCH "DLLBind\\(([A-Za-z]+)\\)" bind "${text}")
get_filename_component(library "${EXPORTS_FILE}" NAME_WE)
if(NOT CMAKE_MATCH_1 STREQUAL library)
    message(FATAL_ERROR "${BINDING} binds '${CMAKE_MATCH_1}', not ${library}")
endif()
message(STATUS "${BINDING} declares every export of ${library}")
