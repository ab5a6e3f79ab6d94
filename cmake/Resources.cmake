# Files compiled into the executable: one generated source per folder holds every file of it
# as a byte array with its name.
#   tm_embed(<library> <folder under resources/> <header> <namespace> <record type> <function>)
function(tm_embed lib dir header ns type func)
  file(GLOB_RECURSE assets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/${dir}/*)
  set(out ${CMAKE_BINARY_DIR}/generated/${func}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DDIR=${CMAKE_SOURCE_DIR}/resources/${dir}
            -DHEADER=${header} -DNS=${ns} -DTYPE=${type} -DFUNC=${func}
            -P ${CMAKE_SOURCE_DIR}/cmake/EmbedAssets.cmake
    DEPENDS ${assets} ${CMAKE_SOURCE_DIR}/cmake/EmbedAssets.cmake
    COMMENT "Embedding resources/${dir}")
  add_library(${lib} STATIC ${out})
  target_include_directories(${lib} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()

# The web front end's page assets (ui/web/WebAssets.h).
tm_embed(tm_webassets web ui/web/WebAssets.h tidy::web WebAsset WebAssets)
# The sample device's content (platform/SampleDevice.h).
tm_embed(tm_sampleassets sample platform/SampleAssets.h tidy::platform SampleAsset SampleAssets)
target_link_libraries(tm_platform PUBLIC tm_sampleassets)
# The windows' dialog templates, menus and strings (ui/framework/UiResourceFiles.h).
tm_embed(tm_uiresources ui ui/framework/UiResourceFiles.h tidy::ui UiResourceFile UiResourceFiles)
target_link_libraries(tm_framework PUBLIC tm_uiresources)
