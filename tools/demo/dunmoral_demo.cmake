# dunmoral-demo: a POSIX host for Dunmoral, with its sample files copied next to it.
if(WIN32 OR NOT TARGET Dunmoral)
    return()
endif()
add_executable(dunmoral-demo dunmoral_demo.cpp)
target_include_directories(dunmoral-demo PRIVATE "${PROJECT_SOURCE_DIR}/include")
target_link_libraries(dunmoral-demo PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(dunmoral-demo Dunmoral)

set(dunmoral_samples "")
foreach(sample dunmoral-truss.txt dunmoral-notes.txt)
    set(copy "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${sample}")
    add_custom_command(OUTPUT "${copy}"
        COMMAND "${CMAKE_COMMAND}" -E copy "${CMAKE_CURRENT_SOURCE_DIR}/data/${sample}" "${copy}"
        DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/data/${sample}")
    list(APPEND dunmoral_samples "${copy}")
endforeach()
add_custom_target(dunmoral-demo-samples DEPENDS ${dunmoral_samples})
add_dependencies(dunmoral-demo dunmoral-demo-samples)
