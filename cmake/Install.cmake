# Installation: the rlf program, the plug-in module and the host stand-in library it
# runs in, and the geometry library with its headers and a CMake package, so that
# find_package(rlgeometry) gives rlgeometry::rlgeometry.
include(CMakePackageConfigHelpers)

install(TARGETS rlgeometry EXPORT rlgeometryTargets LIBRARY DESTINATION lib)
install(FILES
  geometry/RlFileIO.h
  geometry/RlTangentSpace.h
  platform/MacSpecific.h
  platform/RlExport.h
  DESTINATION include/rlgeometry)
install(EXPORT rlgeometryTargets NAMESPACE rlgeometry:: DESTINATION lib/cmake/rlgeometry)
configure_package_config_file(cmake/rlgeometryConfig.cmake.in
  ${PROJECT_BINARY_DIR}/rlgeometryConfig.cmake INSTALL_DESTINATION lib/cmake/rlgeometry)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/rlgeometryConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/rlgeometryConfig.cmake
  ${PROJECT_BINARY_DIR}/rlgeometryConfigVersion.cmake DESTINATION lib/cmake/rlgeometry)

install(TARGETS OpenMaya RLFExport LIBRARY DESTINATION lib)
if(TARGET rlf)
  install(TARGETS rlf RUNTIME DESTINATION bin)
endif()
