include(CMakePackageConfigHelpers)

install(TARGETS VEKParser170NT EXPORT VEKParserTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/VEKParser DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/VEKParser)
install(EXPORT VEKParserTargets NAMESPACE VEKParser:: DESTINATION ${config_dir})
configure_package_config_file(cmake/VEKParserConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VEKParserConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VEKParserConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VEKParserConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VEKParserConfigVersion.cmake
        DESTINATION ${config_dir})
