# What a store PC gets: the module and its database object as versioned shared libraries, the headers
# a host program compiles against, the two tools, and the pkg-config and CMake files that find them.
# Tests, benchmarks and the pictures' programs install nothing.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The soname changes with the major version only: a host built against 1.x loads any later 1.x.
foreach(lib zmsg zmsgdb)
  set_target_properties(${lib} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endforeach()
set_target_properties(zmsg PROPERTIES PUBLIC_HEADER ${PROJECT_SOURCE_DIR}/include/zmsg/zmsg.h)
set_target_properties(zmsgdb PROPERTIES PUBLIC_HEADER ${PROJECT_SOURCE_DIR}/db/sqldirect.h)

# Installed into a system library folder the loader finds everything by itself (and Debian refuses an
# RPATH there); anywhere else the tools and the module find their neighbours relative to themselves.
list(FIND CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" zmsg_system_libdir)
if(zmsg_system_libdir EQUAL -1)
  file(RELATIVE_PATH zmsg_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(zmsg-host PROPERTIES INSTALL_RPATH "$ORIGIN/${zmsg_bin_to_lib}")
  set_target_properties(zmsg PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()

set(zmsg_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zmsg)
install(TARGETS zmsg zmsgdb EXPORT zmsgTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zmsg COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS zmsg-host zmsg-center-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)

install(EXPORT zmsgTargets NAMESPACE zmsg:: DESTINATION ${zmsg_cmake_dir} COMPONENT dev)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zmsgConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zmsgConfig.cmake INSTALL_DESTINATION ${zmsg_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zmsgConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zmsgConfig.cmake ${PROJECT_BINARY_DIR}/zmsgConfigVersion.cmake
  DESTINATION ${zmsg_cmake_dir} COMPONENT dev)

foreach(pc zmsg zmsgdb)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endforeach()
