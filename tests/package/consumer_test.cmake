# Installs the built library to a temporary prefix, moves that prefix elsewhere, then builds
# and runs the program in consumer/ against the moved copy: through find_package (static and
# shared) and through pkg-config (the shared library found by the run path korvex.pc gives,
# and the static archive from the libdir it names).
#
# cmake -DBUILD_DIR=<korvex build> -DWORK_DIR=<scratch> -DCONSUMER_DIR=<consumer/>
#       -DCXX=<compiler> [-DCXX_FLAGS=...] [-DLINK_FLAGS=<list>] -DGENERATOR=<generator>
#       [-DMAKE_PROGRAM=<path>] -P consumer_test.cmake
cmake_minimum_required(VERSION 3.25)

foreach(v BUILD_DIR WORK_DIR CONSUMER_DIR CXX GENERATOR)
  if(NOT DEFINED ${v} OR "${${v}}" STREQUAL "")
    message(FATAL_ERROR "consumer_test.cmake needs -D${v}=...")
  endif()
endforeach()

# Runs a command; stops the test with its output when it fails.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " cmd)
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${out}")
  endif()
endfunction()

# Runs a command and returns its standard output, stripped.
function(capture var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " cmd)
    message(FATAL_ERROR "failed (${rc}): ${cmd}\n${err}")
  endif()
  set(${var} "${out}" PARENT_SCOPE)
endfunction()

# Fails unless `path` lies inside `dir`.
function(expect_inside path dir what)
  file(REAL_PATH "${path}" real)
  file(REAL_PATH "${dir}" real_dir)
  cmake_path(IS_PREFIX real_dir "${real}" NORMALIZE inside)
  if(NOT inside)
    message(FATAL_ERROR "${what} is ${real}, not inside ${real_dir}")
  endif()
endfunction()

set(staged "${WORK_DIR}/staged")
set(prefix "${WORK_DIR}/moved")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# 1. Install, then move the whole tree: nothing may still point at the first place.
foreach(component Runtime Development)
  run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${staged}" --component ${component})
endforeach()
file(RENAME "${staged}" "${prefix}")
file(GLOB_RECURSE package_files "${prefix}/*.cmake" "${prefix}/*.pc")
foreach(f IN LISTS package_files)
  file(READ "${f}" text)
  string(FIND "${text}" "${staged}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${f} holds the path it was installed to")
  endif()
endforeach()

# 2. find_package: a static and a shared program.
list(JOIN LINK_FLAGS " " link_flags)
set(cmake_build "${WORK_DIR}/cmake-build")
set(configure ${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${cmake_build}" -G "${GENERATOR}"
    -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}" -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
if(MAKE_PROGRAM)
  list(APPEND configure -DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM})
endif()
run(${configure})
file(STRINGS "${cmake_build}/CMakeCache.txt" korvex_dir REGEX "^korvex_DIR:")
string(REGEX REPLACE "^[^=]*=" "" korvex_dir "${korvex_dir}")
expect_inside("${korvex_dir}" "${prefix}" "the package find_package found")
run(${CMAKE_COMMAND} --build "${cmake_build}")
run("${cmake_build}/consumer_static")
run("${cmake_build}/consumer_shared")

# 3. pkg-config, searching the moved tree only.
find_program(PKG_CONFIG NAMES pkg-config pkgconf REQUIRED)
file(GLOB_RECURSE pc_file "${prefix}/*/pkgconfig/korvex.pc")
if(NOT pc_file)
  message(FATAL_ERROR "korvex.pc not installed under ${prefix}")
endif()
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
# korvex itself only from the moved tree; what it requires (libpng, fontconfig) from the system.
capture(system_pc_path "${PKG_CONFIG}" --variable pc_path pkg-config)
string(STRIP "${system_pc_path}" system_pc_path)
set(ENV{PKG_CONFIG_LIBDIR} "${pc_dir}:${system_pc_path}")
set(ENV{PKG_CONFIG_PATH} "")
capture(cflags "${PKG_CONFIG}" --cflags korvex)
capture(libs "${PKG_CONFIG}" --libs korvex)
capture(libdir "${PKG_CONFIG}" --variable=libdir korvex)
if(cflags MATCHES "-std=")
  message(FATAL_ERROR "korvex.pc imposes a language standard: ${cflags}")
endif()
expect_inside("${libdir}" "${prefix}" "the libdir korvex.pc names")
separate_arguments(cflags UNIX_COMMAND "${cflags}")
separate_arguments(libs UNIX_COMMAND "${libs}")
separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
set(pc_build "${WORK_DIR}/pc-build")
file(MAKE_DIRECTORY "${pc_build}")
run(${CXX} ${cxx_flags} -std=c++20 ${cflags} -c "${CONSUMER_DIR}/main.cpp" -o "${pc_build}/main.o")
run(${CXX} ${cxx_flags} "${pc_build}/main.o" ${libs} ${LINK_FLAGS} -o "${pc_build}/consumer_shared")
capture(static_libs "${PKG_CONFIG}" --static --libs-only-l korvex)
separate_arguments(static_libs UNIX_COMMAND "${static_libs}")
list(REMOVE_ITEM static_libs -lkorvex)
run(${CXX} ${cxx_flags} "${pc_build}/main.o" "${libdir}/libkorvex.a" ${static_libs} ${LINK_FLAGS}
    -o "${pc_build}/consumer_static")
# The shared program must load the moved library, not one installed anywhere else.
capture(ldd_out ldd "${pc_build}/consumer_shared")
if(NOT ldd_out MATCHES "libkorvex\\.so[^\n]*=> ([^\n ]+)")
  message(FATAL_ERROR "consumer_shared does not load libkorvex:\n${ldd_out}")
endif()
expect_inside("${CMAKE_MATCH_1}" "${prefix}" "the libkorvex the pkg-config program loads")
run("${pc_build}/consumer_shared")
run("${pc_build}/consumer_static")

file(REMOVE_RECURSE "${WORK_DIR}")
message(STATUS "installed, moved and used through find_package and pkg-config")
