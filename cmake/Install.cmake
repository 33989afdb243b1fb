include(CMakePackageConfigHelpers)
install(TARGETS kyrasparse EXPORT kyraSparseTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/kyraSparse.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET krylovrun)
  install(TARGETS krylovrun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(EXPORT kyraSparseTargets NAMESPACE kyraSparse::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kyraSparse)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/kyraSparseConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kyraSparseConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kyraSparse)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kyraSparseConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/kyraSparseConfig.cmake ${PROJECT_BINARY_DIR}/kyraSparseConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kyraSparse)

# pkg-config file beside the CMake package; its prefix is found relative to
# the file, so a prefix chosen at install time (cmake --install --prefix) holds.
file(RELATIVE_PATH KYRA_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" KYRA_PC_TO_PREFIX "${KYRA_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kyrasparse.pc.in ${PROJECT_BINARY_DIR}/kyrasparse.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kyrasparse.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
