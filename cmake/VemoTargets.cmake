# Shared compile settings and the helpers every folder uses to declare its
# library and its tests.

add_library(vemo_warnings INTERFACE)
target_compile_options(vemo_warnings INTERFACE -Wall -Wextra)
if(VEMO_WERROR)
    target_compile_options(vemo_warnings INTERFACE -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # With optimisation, GCC 12 takes std::string's own copies for overlapping ones
        # (-Wrestrict) and a std::optional's engaged value for an uninitialised one; both
        # stay warnings rather than stopping an optimised build.
        target_compile_options(vemo_warnings INTERFACE -Wno-error=restrict
                                                       -Wno-error=maybe-uninitialized)
    endif()
endif()

# A multiply and an add stay two roundings: where a kernel's instruction set has fused
# multiply-adds the compiler must not merge them, or its sums would differ from the
# other forms' in the last bit.
add_compile_options(-ffp-contract=off)

if(VEMO_SANITIZE)
    add_compile_options(-fsanitize=${VEMO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${VEMO_SANITIZE})
endif()
if(VEMO_FUZZ)
    # Coverage for the fuzzers reaches into every engine library.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# vemo_library(NAME SOURCES... LINKS...) -- one static library per engine folder.
function(vemo_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS} PRIVATE vemo_warnings)
endfunction()

# vemo_tests(NAME SOURCES... LINKS... [LABEL threads]) -- a GoogleTest program run by
# CTest. Every test program runs again under AddressSanitizer+UBSan; those labelled
# "threads" also under ThreadSanitizer.
function(vemo_tests name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LINKS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main vemo_warnings)
    set(label unit)
    if(ARG_LABEL)
        set(label ${ARG_LABEL})
    endif()
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        PROPERTIES LABELS ${label}
        DISCOVERY_TIMEOUT 60)
endfunction()

# vemo_folder(NAME LINKS...) -- the library of one engine folder from its *.cpp
# files, its unit tests from tests/*_test.cpp (program NAME_tests) and its thread
# tests from tests/threads/*_test.cpp (program NAME_thread_tests, label "threads").
function(vemo_folder name)
    cmake_parse_arguments(ARG "" "" "LINKS;TEST_LINKS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        vemo_library(${name} SOURCES ${sources} LINKS ${ARG_LINKS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_LINKS})
    endif()
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    if(tests)
        vemo_tests(${name}_tests SOURCES ${tests} LINKS ${name} ${ARG_TEST_LINKS})
    endif()
    file(GLOB thread_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/threads/*.cpp)
    if(thread_tests)
        vemo_tests(${name}_thread_tests SOURCES ${thread_tests} LINKS ${name} ${ARG_TEST_LINKS}
                   LABEL threads)
    endif()
endfunction()
