# Project-wide compiler settings. Nothing here may change a floating-point result:
# no fast-math, no contraction into fused multiply-add, no flush of subnormals.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Werror -ffp-contract=off)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-fno-fast-math)
endif()
