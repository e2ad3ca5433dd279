# korvex_area(name [deps...]) builds src/<name>/**/*.cpp into korvex_<name>_obj
# and korvex_<name>_part (static, linking the parts it depends on).
set(KORVEX_AREAS "")

function(korvex_area name)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${name}/*.cpp")
  if(NOT srcs)
    set(srcs "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(korvex_${name}_obj OBJECT ${srcs})
  target_include_directories(korvex_${name}_obj PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_features(korvex_${name}_obj PUBLIC cxx_std_20)
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

function(korvex_finish_library)
  set(objs "")
  foreach(a IN LISTS KORVEX_AREAS)
    list(APPEND objs $<TARGET_OBJECTS:korvex_${a}_obj>)
  endforeach()
  add_library(korvex_static STATIC ${objs})
  add_library(korvex_shared SHARED ${objs})
  foreach(t korvex_static korvex_shared)
    set_target_properties(${t} PROPERTIES OUTPUT_NAME korvex)
    target_include_directories(${t} PUBLIC
      $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    target_compile_features(${t} PUBLIC cxx_std_20)
  endforeach()
  set_target_properties(korvex_shared PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  add_library(korvex ALIAS korvex_static)
  add_library(korvex::korvex ALIAS korvex_static)
  add_library(korvex::shared ALIAS korvex_shared)

  install(TARGETS korvex_static korvex_shared EXPORT korvexTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/korvex DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT korvexTargets NAMESPACE korvex:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex)
  include(CMakePackageConfigHelpers)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/korvexConfig.cmake.in
    ${PROJECT_BINARY_DIR}/korvexConfig.cmake
    INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/korvexConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/korvexConfig.cmake ${PROJECT_BINARY_DIR}/korvexConfigVersion.cmake
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/korvex)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/korvex.pc.in ${PROJECT_BINARY_DIR}/korvex.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/korvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()
