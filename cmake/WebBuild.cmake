# The web build, for emscripten (emcmake): the model runtime, the drawing
# library on WebGL, the pixels and lip sync of the media library and the
# playback layer, linked into the module of the web package (web/). No
# threads (a page then needs no cross-origin isolation), no exceptions.
set(CMAKE_EXECUTABLE_SUFFIX ".js")
add_compile_options(-fno-exceptions)
# -O2 compiles markedly faster than -O3 and gives as fast a module.
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")

# Header-only libraries from Debian's packages (glm, stb), reached through a
# folder of links: the host's /usr/include itself must not shadow
# emscripten's own headers.
set(TAVRIX_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(library glm stb)
  if(NOT EXISTS /usr/include/${library})
    message(FATAL_ERROR "The web build needs /usr/include/${library} (Debian's lib${library}-dev)")
  endif()
  file(MAKE_DIRECTORY ${TAVRIX_HOST_HEADERS})
  file(CREATE_LINK /usr/include/${library} ${TAVRIX_HOST_HEADERS}/${library} SYMBOLIC)
endforeach()

# OpenGL is emscripten's WebGL library, which every link takes in anyway.
add_library(OpenGL::GL INTERFACE IMPORTED)

add_subdirectory(runtime)
add_subdirectory(gl)
add_subdirectory(media)
add_subdirectory(stage)
add_subdirectory(web)
