# korvex_area(name [deps...]) builds src/<name>/**/*.cpp into korvex_<name>_obj
# and korvex_<name>_part (static, linking the parts it depends on).
set(KORVEX_AREAS "")

function(korvex_area name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${name}/*.cpp")
  # Exactly one operating-system backend of the platform area: win32 on Windows, posix elsewhere.
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "/src/platform/posix/")
  else()
    list(FILTER srcs EXCLUDE REGEX "/src/platform/win32/")
  endif()
  if(NOT srcs)
    set(srcs "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(korvex_${name}_obj OBJECT ${srcs})
  target_include_directories(korvex_${name}_obj PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_features(korvex_${name}_obj PUBLIC cxx_std_20)
  # Only what the public headers declare leaves the shared library (see platform/export.h).
  set_target_properties(korvex_${name}_obj PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  add_library(korvex_${name}_part STATIC $<TARGET_OBJECTS:korvex_${name}_obj>)
  target_include_directories(korvex_${name}_part PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  foreach(dep IN LISTS ARGN)
    target_link_libraries(korvex_${name}_part PUBLIC korvex_${dep}_part)
  endforeach()
  list(APPEND KORVEX_AREAS ${name})
  set(KORVEX_AREAS "${KORVEX_AREAS}" PARENT_SCOPE)
endfunction()

# korvex_finish_library() builds the whole library, static and shared, and installs it.
# The targets have the same names in the build tree and after installation:
#   korvex::korvex         the default (links the static library)
#   korvex::korvex_static  libkorvex.a
#   korvex::korvex_shared  libkorvex.so, which exports only the public API
# Consumers need C++20 or later: cxx_std_20 is a minimum, never a downgrade of their standard.
function(korvex_finish_library)
  set(objs "")
  foreach(a IN LISTS KORVEX_AREAS)
    list(APPEND objs $<TARGET_OBJECTS:korvex_${a}_obj>)
  endforeach()
  add_library(korvex_static STATIC ${objs})
  add_library(korvex_shared SHARED ${objs})
  foreach(kind static shared)
    set(t korvex_${kind})
    set_target_properties(${t} PROPERTIES OUTPUT_NAME korvex EXPORT_NAME korvex_${kind}
      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_include_directories(${t} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_compile_features(${t} INTERFACE cxx_std_20)
    add_library(korvex::korvex_${kind} ALIAS ${t})
  endforeach()
  set_target_properties(korvex_shared PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  set(map "${PROJECT_SOURCE_DIR}/cmake/korvex.map")
  if(WIN32)
    # The DLL exports the library's own symbols, not those of the static run-time inside it.
    target_link_options(korvex_shared PRIVATE "LINKER:--exclude-libs,ALL")
  else()
    target_link_options(korvex_shared PRIVATE "LINKER:--version-script=${map}")
  endif()
  set_target_properties(korvex_shared PROPERTIES LINK_DEPENDS "${map}")
  foreach(kind static shared)
    target_link_libraries(korvex_${kind} PRIVATE ${KORVEX_PLATFORM_LIBS})
  endforeach()
  add_library(korvex INTERFACE)
  target_link_libraries(korvex INTERFACE korvex_static)
  add_library(korvex::korvex ALIAS korvex)

  install(TARGETS korvex korvex_static korvex_shared EXPORT korvexTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/korvex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT Development)
  install(EXPORT korvexTargets NAMESPACE korvex:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex
    COMPONENT Development)
  # The static library's own dependencies, as the pkg-config modules and the CMake packages
  # that provide them (Windows system libraries need neither).
  set(KORVEX_PC_REQUIRES "")
  set(KORVEX_PC_LIBS "")
  set(KORVEX_FIND_DEPENDENCIES "")
  foreach(lib IN LISTS KORVEX_PLATFORM_LIBS)
    if(lib STREQUAL "PNG::PNG")
      list(APPEND KORVEX_PC_REQUIRES libpng)
      string(APPEND KORVEX_FIND_DEPENDENCIES "find_dependency(PNG)\n")
    elseif(lib STREQUAL "Fontconfig::Fontconfig")
      list(APPEND KORVEX_PC_REQUIRES fontconfig)
      string(APPEND KORVEX_FIND_DEPENDENCIES "find_dependency(Fontconfig)\n")
    elseif(lib STREQUAL "Freetype::Freetype")
      list(APPEND KORVEX_PC_REQUIRES freetype2)
      string(APPEND KORVEX_FIND_DEPENDENCIES "find_dependency(Freetype)\n")
    elseif(lib STREQUAL "PkgConfig::KORVEX_CAIRO")
      list(APPEND KORVEX_PC_REQUIRES cairo cairo-pdf cairo-ft)
      string(APPEND KORVEX_FIND_DEPENDENCIES "find_dependency(PkgConfig)\n"
        "pkg_check_modules(KORVEX_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-pdf cairo-ft)\n")
    elseif(lib STREQUAL "Cups::Cups")
      # Debian 12's libcups has no pkg-config file: it is linked by name.
      string(APPEND KORVEX_PC_LIBS " -lcups")
      string(APPEND KORVEX_FIND_DEPENDENCIES "find_dependency(Cups)\n")
    else()
      string(APPEND KORVEX_PC_LIBS " -l${lib}")
    endif()
  endforeach()
  list(JOIN KORVEX_PC_REQUIRES " " KORVEX_PC_REQUIRES)
  include(CMakePackageConfigHelpers)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/korvexConfig.cmake.in
    ${PROJECT_BINARY_DIR}/korvexConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/korvexConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/korvexConfig.cmake ${PROJECT_BINARY_DIR}/korvexConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex COMPONENT Development)

  # korvex.pc finds everything relative to its own folder, so the installed tree can move.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    message(FATAL_ERROR "korvex.pc needs CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR relative to the prefix")
  endif()
  file(RELATIVE_PATH KORVEX_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" KORVEX_PC_TO_PREFIX "${KORVEX_PC_TO_PREFIX}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/korvex.pc.in ${PROJECT_BINARY_DIR}/korvex.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/korvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT Development)
endfunction()
