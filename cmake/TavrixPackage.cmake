# Installs the runtime as libraries other projects link: the static
# libraries, their headers under include/tavrix/, a CMake package
# (find_package(Tavrix) gives Tavrix::runtime and, for OpenGL drawing,
# Tavrix::runtime_gl) and pkg-config files (tavrix.pc, tavrix-gl.pc).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TAVRIX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tavrix)
set_target_properties(tavrix_runtime PROPERTIES OUTPUT_NAME tavrix EXPORT_NAME runtime)
set_target_properties(tavrix_runtime_gl PROPERTIES OUTPUT_NAME tavrix_gl EXPORT_NAME runtime_gl)

install(TARGETS tavrix_runtime tavrix_runtime_gl EXPORT TavrixTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/runtime/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tavrix
        FILES_MATCHING PATTERN "*.h")
install(EXPORT TavrixTargets NAMESPACE Tavrix:: DESTINATION ${TAVRIX_PACKAGE_DIR})

# The libraries are static, so whoever links them links what they use as
# well: the CMake package finds those dependencies again and the pkg-config
# files list them among their public flags. Both are derived from the
# libraries' own link interfaces, so a dependency added there is declared
# here without an edit.
set(TAVRIX_OPENGL_COMPONENTS "")
set(TAVRIX_NEEDS_OPENGL FALSE)
set(TAVRIX_OPENGL_PC_MODULES GL gl EGL egl GLU glu OpenGL opengl GLX glx)

# What the target's users must link besides it, as pkg-config Requires
# (modules) and Libs (flags). packagedTargets maps the other installed
# targets to their own pkg-config modules.
function(tavrix_declare_links target packagedTargets requiresVar libsVar)
  get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  set(requires "")
  set(libs "")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
    list(FIND packagedTargets ${link} packaged)
    if(packaged GREATER_EQUAL 0)
      math(EXPR packaged "${packaged} + 1")
      list(GET packagedTargets ${packaged} module)
      list(APPEND requires ${module})
    elseif(link MATCHES "^OpenGL::(.+)$")
      set(TAVRIX_NEEDS_OPENGL TRUE PARENT_SCOPE)
      set(component ${CMAKE_MATCH_1})
      if(component MATCHES "^(OpenGL|EGL|GLX)$")
        list(APPEND TAVRIX_OPENGL_COMPONENTS ${component})
        set(TAVRIX_OPENGL_COMPONENTS ${TAVRIX_OPENGL_COMPONENTS} PARENT_SCOPE)
      endif()
      list(FIND TAVRIX_OPENGL_PC_MODULES ${component} at)
      if(at LESS 0)
        message(FATAL_ERROR "TavrixPackage: no pkg-config module known for ${link}")
      endif()
      math(EXPR at "${at} + 1")
      list(GET TAVRIX_OPENGL_PC_MODULES ${at} module)
      list(APPEND requires ${module})
    elseif(link MATCHES "^/.*/lib([^/]+)\\.(so|a)(\\.[0-9.]*)?$")
      list(APPEND libs "-l${CMAKE_MATCH_1}")
    elseif(link MATCHES "^-")
      list(APPEND libs "${link}")
    elseif(link MATCHES "^[A-Za-z0-9_.+-]+$")
      list(APPEND libs "-l${link}")
    else()
      message(FATAL_ERROR "TavrixPackage: cannot declare ${target}'s dependency '${link}' to its users")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES requires)
  list(JOIN requires ", " requires)
  list(JOIN libs " " libs)
  set(${requiresVar} "${requires}" PARENT_SCOPE)
  set(${libsVar} "${libs}" PARENT_SCOPE)
endfunction()

# pkg-config finds the prefix from where the file lies, so an install with
# "cmake --install --prefix" elsewhere still points at its own files.
file(RELATIVE_PATH TAVRIX_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)

# One pkg-config file per library.
function(tavrix_write_pc target module description)
  tavrix_declare_links(${target} "tavrix_runtime;tavrix" TAVRIX_PC_REQUIRES TAVRIX_PC_LIBS)
  get_target_property(TAVRIX_PC_LIBRARY ${target} OUTPUT_NAME)
  set(TAVRIX_PC_NAME ${module})
  set(TAVRIX_PC_DESCRIPTION "${description}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tavrix.pc.in ${PROJECT_BINARY_DIR}/package/${module}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${module}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  set(TAVRIX_NEEDS_OPENGL ${TAVRIX_NEEDS_OPENGL} PARENT_SCOPE)
  set(TAVRIX_OPENGL_COMPONENTS ${TAVRIX_OPENGL_COMPONENTS} PARENT_SCOPE)
endfunction()

tavrix_write_pc(tavrix_runtime tavrix "Runtime for 2-D puppet models: loads and evaluates .moc models")
tavrix_write_pc(tavrix_runtime_gl tavrix-gl "OpenGL drawing of Tavrix puppet models")

list(REMOVE_DUPLICATES TAVRIX_OPENGL_COMPONENTS)
set(TAVRIX_OPENGL_FIND_ARGUMENTS "")
if(TAVRIX_OPENGL_COMPONENTS)
  list(JOIN TAVRIX_OPENGL_COMPONENTS " " components)
  set(TAVRIX_OPENGL_FIND_ARGUMENTS "COMPONENTS ${components}")
endif()
# Users find OpenGL's libraries the way this build did (libGL or GLVND).
set(TAVRIX_GL_PREFERENCE GLVND)
if(DEFINED OpenGL_GL_PREFERENCE)
  set(TAVRIX_GL_PREFERENCE ${OpenGL_GL_PREFERENCE})
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TavrixConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/package/TavrixConfig.cmake
                              INSTALL_DESTINATION ${TAVRIX_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/TavrixConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/TavrixConfig.cmake ${PROJECT_BINARY_DIR}/package/TavrixConfigVersion.cmake
        DESTINATION ${TAVRIX_PACKAGE_DIR})
