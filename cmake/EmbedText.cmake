# tavrix_embed_text(TARGET FILE FUNCTION) compiles the text of FILE into
# TARGET, as the value of `const char* FUNCTION()`. Scripts stay readable
# files of their own and still travel inside the binary that needs them;
# editing one re-runs CMake, which writes the source again.
function(tavrix_embed_text target file function)
  file(READ ${file} TAVRIX_EMBEDDED_TEXT)
  string(FIND "${TAVRIX_EMBEDDED_TEXT}" ")TAVRIX_EMBEDDED\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} contains the delimiter that embeds it")
  endif()
  get_filename_component(name ${file} NAME_WE)
  set(TAVRIX_EMBEDDED_SOURCE ${file})
  set(TAVRIX_EMBEDDED_FUNCTION ${function})
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/embedded/${name}.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/EmbeddedText.cpp.in ${generated} @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  target_sources(${target} PRIVATE ${generated})
endfunction()
