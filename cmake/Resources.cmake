# The web front end's assets are compiled into the executable: one generated source holds
# every file of resources/web/ as a byte array with its name.
file(GLOB_RECURSE TM_WEB_ASSETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/web/*)
set(TM_WEB_ASSETS_CPP ${CMAKE_BINARY_DIR}/generated/WebAssets.cpp)
add_custom_command(
  OUTPUT ${TM_WEB_ASSETS_CPP}
  COMMAND ${CMAKE_COMMAND} -DOUT=${TM_WEB_ASSETS_CPP} -DDIR=${CMAKE_SOURCE_DIR}/resources/web
          -P ${CMAKE_SOURCE_DIR}/cmake/EmbedAssets.cmake
  DEPENDS ${TM_WEB_ASSETS} ${CMAKE_SOURCE_DIR}/cmake/EmbedAssets.cmake
  COMMENT "Embedding web assets")
add_library(tm_webassets STATIC ${TM_WEB_ASSETS_CPP})
target_include_directories(tm_webassets PUBLIC ${CMAKE_SOURCE_DIR}/src)
