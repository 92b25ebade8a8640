# Installs the runtime as a library other projects link: the static library,
# its headers under include/tavrix/, a CMake package (find_package(Tavrix)
# gives Tavrix::runtime) and a pkg-config file (tavrix.pc).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVRIX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavrix)

install(TARGETS tavrix_runtime EXPORT TavrixTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/runtime/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrix
        FILES_MATCHING PATTERN "*.h")
install(EXPORT TavrixTargets NAMESPACE Tavrix:: DESTINATION ${TAVRIX_PACKAGE_DIR})

# The library is static, so whoever links it links what it uses as well: the
# CMake package finds those dependencies again and the pkg-config file lists
# them among its public flags. Both are derived from the runtime's own link
# interface, so a dependency added there is declared here without an edit.
get_target_property(TAVRIX_RUNTIME_LINKS tavrix_runtime INTERFACE_LINK_LIBRARIES)
set(TAVRIX_OPENGL_COMPONENTS "")
set(TAVRIX_NEEDS_OPENGL FALSE)
set(TAVRIX_PC_REQUIRES "")
set(TAVRIX_PC_LIBS "")
set(TAVRIX_OPENGL_PC_MODULES GL gl EGL egl GLU glu OpenGL opengl GLX glx)
foreach(link IN LISTS TAVRIX_RUNTIME_LINKS)
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
  if(link MATCHES "^OpenGL::(.+)$")
    set(TAVRIX_NEEDS_OPENGL TRUE)
    set(component ${CMAKE_MATCH_1})
    if(component MATCHES "^(OpenGL|EGL|GLX)$")
      list(APPEND TAVRIX_OPENGL_COMPONENTS ${component})
    endif()
    list(FIND TAVRIX_OPENGL_PC_MODULES ${component} at)
    if(at LESS 0)
      message(FATAL_ERROR "TavrixPackage: no pkg-config module known for ${link}")
    endif()
    math(EXPR at "${at} + 1")
    list(GET TAVRIX_OPENGL_PC_MODULES ${at} module)
    list(APPEND TAVRIX_PC_REQUIRES ${module})
  elseif(link MATCHES "^/.*/lib([^/]+)\\.(so|a)(\\.[0-9.]*)?$")
    list(APPEND TAVRIX_PC_LIBS "-l${CMAKE_MATCH_1}")
  elseif(link MATCHES "^-")
    list(APPEND TAVRIX_PC_LIBS "${link}")
  elseif(link MATCHES "^[A-Za-z0-9_.+-]+$")
    list(APPEND TAVRIX_PC_LIBS "-l${link}")
  else()
    message(FATAL_ERROR "TavrixPackage: cannot declare the runtime's dependency '${link}' to its users")
  endif()
endforeach()
list(REMOVE_DUPLICATES TAVRIX_OPENGL_COMPONENTS)
# Users find OpenGL's libraries the way this build did (libGL or GLVND).
set(TAVRIX_GL_PREFERENCE GLVND)
if(DEFINED OpenGL_GL_PREFERENCE)
  set(TAVRIX_GL_PREFERENCE ${OpenGL_GL_PREFERENCE})
endif()
list(REMOVE_DUPLICATES TAVRIX_PC_REQUIRES)
list(JOIN TAVRIX_PC_REQUIRES ", " TAVRIX_PC_REQUIRES)
list(JOIN TAVRIX_PC_LIBS " " TAVRIX_PC_LIBS)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TavrixConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/TavrixConfig.cmake
                              INSTALL_DESTINATION ${TAVRIX_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/TavrixConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/TavrixConfig.cmake ${PROJECT_BINARY_DIR}/package/TavrixConfigVersion.cmake
        DESTINATION ${TAVRIX_PACKAGE_DIR})

# pkg-config finds the prefix from where the file lies, so an install with
# "cmake --install --prefix" elsewhere still points at its own files.
file(RELATIVE_PATH TAVRIX_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
get_target_property(TAVRIX_RUNTIME_FILE_NAME tavrix_runtime OUTPUT_NAME)
configure_file(${PROJECT_SOURCE_DIR}/cmake/tavrix.pc.in ${PROJECT_BINARY_DIR}/package/tavrix.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/tavrix.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
